-- Makes a saved session show the instrument's own editor when the host
-- opens it, as a project saved with the plug-in window open does: the host
-- keeps its open plug-in windows under Extra/UI, named
-- "P-<route id>-<processor id>", with their place on the screen.
-- Usage: ardour7-lua session-show-editor.lua SESSION_FILE X Y
package.path = (debug.getinfo (1, "S").source:match ("^@(.*/)") or "./") .. "?.lua;" .. package.path
local chunk = require ("chunk")
local file, x, y = arg[1], tonumber (arg[2]), tonumber (arg[3])
assert (file and x and y, "usage: SESSION_FILE X Y")

local function fail (msg) print ("FAIL: " .. msg); os.exit (1) end

local xml = chunk.read_file (file) or fail ("cannot read " .. file)
local at, _, processor = xml:find ('<Processor id="(%d+)"[^>]-type="lxvst"')
if not at then at, _, processor = xml:find ('<Processor id="(%d+)"[^>]-type="lv2"') end
if not at then fail ("no VST or LV2 instrument in " .. file) end
local route
for id in xml:sub (1, at):gmatch ('<Route [^>]-id="(%d+)"') do route = id end
if not route then fail ("the instrument is on no route") end

local window = string.format ('<Window name="P-%s-%s" visible="1" x-off="%d" y-off="%d" x-size="-1" y-size="-1" custom-ui="1"/>',
	route, processor, x, y)
local text, done = xml:gsub ("(<Extra>%s*<UI[^>]*>)", "%1" .. window, 1)
if done == 0 then text, done = xml:gsub ("(<Extra>)", "%1<UI>" .. window .. "</UI>", 1) end
if done == 0 then text, done = xml:gsub ("(</Session>)", "<Extra><UI>" .. window .. "</UI></Extra>%1", 1) end
if done ~= 1 then fail ("no place for the window in " .. file) end
chunk.write_file (file, text)
print (string.format ("the editor of processor %s on route %s shows at %d %d", processor, route, x, y))
