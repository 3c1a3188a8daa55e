-- Writes the score of note-sender.lua in parvolino-render's score format,
-- for a render of LENGTH frames at RATE.
-- Usage: ardour7-lua score-export.lua RATE LENGTH OUT.txt
local folder = (debug.getinfo (1, "S").source:match ("^@(.*/)") or "./")
local rate, length, out_name = tonumber (arg[1]), tonumber (arg[2]), arg[3]
assert (rate and length and out_name, "usage: RATE LENGTH OUT.txt")
local out = assert (io.open (out_name, "w"))
local function print (line) out:write (line, "\n") end

ardour = function () end -- the script's registration block; nothing to register here
dofile (folder .. "note-sender.lua")

print ("# the score of note-sender.lua")
print ("rate " .. rate)
print ("length " .. length)
for _, ev in ipairs (SCORE) do
	local frame, status, a, b = ev[1], ev[2], ev[3], ev[4]
	local kind, channel = status & 0xF0, (status & 0x0F) + 1
	if kind == 0x90 then
		print (string.format ("at %d on %d %d %d", frame, a, b, channel))
	elseif kind == 0x80 then
		print (string.format ("at %d off %d %d %d", frame, a, b, channel))
	elseif kind == 0xB0 then
		print (string.format ("at %d cc %d %d %d", frame, a, b, channel))
	elseif kind == 0xE0 then
		print (string.format ("at %d bend %d %d %d", frame, a, b, channel))
	else
		error (string.format ("score event with status 0x%02X has no score form", status))
	end
end
out:close ()
