-- Prints the programs of the instrument's chunk in a session file, one line
-- each: "program INDEX NAME|PATH|SPEED LENGTH DENSITY RANDOM", then
-- "kept BYTES" for what follows the bank (the samples kept in the project);
-- writes the whole chunk to BANK_FILE when one is named.
-- Usage: ardour7-lua chunk-print.lua SESSION_FILE [BANK_FILE]
package.path = (debug.getinfo (1, "S").source:match ("^@(.*/)") or "./") .. "?.lua;" .. package.path
local chunk = require ("chunk")
local file, bank_file = arg[1], arg[2]
assert (file, "usage: SESSION_FILE [BANK_FILE]")

local function fail (msg) print ("FAIL: " .. msg); os.exit (1) end

local xml = chunk.read_file (file) or fail ("cannot read " .. file)
local _, found = chunk.edit_session (xml, function (programs, kept)
	for p, program in ipairs (programs) do
		local v = program.values
		print (string.format ("program %d %s|%s|%.6f %.6f %.6f %.6f", p - 1, program.name, program.path, v[1], v[2], v[3], v[4]))
	end
	print (string.format ("kept %d", #kept))
	if bank_file then chunk.write_file (bank_file, chunk.pack_bank (programs, kept)) end
end)
if type (found) == "string" then fail (found) end
if found ~= 1 then fail ("expected one instrument chunk in " .. file .. ", found " .. found) end
