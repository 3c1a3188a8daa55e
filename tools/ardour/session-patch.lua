-- Edits a saved session file the way a user's project looks after loading a
-- sample: program 0 of the instrument's chunk gets a sample path, the
-- programs get names, and the render range becomes the session range (the
-- headless tool cannot set that range itself). Prints the programs. Without
-- SAMPLE_PATH only the range changes (an LV2 instrument keeps no chunk).
-- Usage: ardour7-lua session-patch.lua SESSION_FILE [SAMPLE_PATH]
package.path = (debug.getinfo (1, "S").source:match ("^@(.*/)") or "./") .. "?.lua;" .. package.path
local chunk = require ("chunk")
local file, sample_path = arg[1], arg[2]
assert (file, "usage: SESSION_FILE [SAMPLE_PATH]")

local function fail (msg) print ("FAIL: " .. msg); os.exit (1) end

local xml = chunk.read_file (file) or fail ("cannot read " .. file)
local text, found = xml, 1
if sample_path then
	text, found = chunk.edit_session (xml, function (programs)
		programs[1].path = sample_path
		for p, program in ipairs (programs) do
			program.name = "Stage " .. p
			local v = program.values
			print (string.format ("program %d %s values %.6f %.6f %.6f %.6f path %s", p - 1, program.name, v[1], v[2], v[3], v[4], program.path))
		end
		return programs
	end)
end
if not text then fail (found) end
if found ~= 1 then fail ("expected one instrument chunk in " .. file .. ", found " .. found) end

local ranges
text, ranges = text:gsub ('name="range1"([^>]-)flags="IsRangeMarker"', 'name="session"%1flags="IsSessionRange"')
if ranges ~= 1 then fail ("no render range to turn into the session range") end
chunk.write_file (file, text)
print ("patched " .. file)
