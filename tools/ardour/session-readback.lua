-- Loads a saved session and prints what the host sees of its instrument:
-- identity, each parameter with its name and value, and each program name;
-- then saves the session again as SNAPSHOT when one is named. Ends with
-- "took load MS save MS": how long the host took to load and to save.
-- Lines start with a keyword so the stage can check them with grep.
-- Usage: ardour7-lua session-readback.lua SESSION_DIR NAME RATE BLOCK [SNAPSHOT]
local dir, name, rate, block, snapshot = arg[1], arg[2], tonumber (arg[3]), tonumber (arg[4]), arg[5]
assert (dir and name and rate and block, "usage: SESSION_DIR NAME RATE BLOCK")

local function fail (msg) print ("FAIL: " .. msg); os.exit (1) end

local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend then fail ("no dummy audio backend") end
backend:set_device_name ("Silence")
backend:set_sample_rate (rate)
backend:set_buffer_size (block)
if AudioEngine:start (false) ~= 0 then fail ("the audio engine did not start") end
local started = ARDOUR.LuaAPI.monotonic_time ()
if not load_session (dir, name) then fail ("could not load " .. dir) end
local loaded = ARDOUR.LuaAPI.monotonic_time ()

local found = false
for route in Session:get_routes ():iter () do
	local i = 0
	while true do
		local proc = route:nth_plugin (i)
		if proc:isnil () then break end
		local plugin = proc:to_insert ():plugin (0)
		if plugin:get_info ().type == ARDOUR.PluginType.LXVST then
			found = true
			print (string.format ("plugin name=%s maker=%s unique_id=%s params=%d",
				proc:display_name (), plugin:maker (), plugin:unique_id (), plugin:parameter_count ()))
			for k = 0, plugin:parameter_count () - 1 do
				local value = ARDOUR.LuaAPI.get_processor_param (proc, k, false)
				print (string.format ("param %d %s %.6f", k, plugin:parameter_label (k), value))
			end
			-- The host offers the plug-in's programs as presets "VST:<id>:<nnnn>".
			for k = 0, 127 do
				local preset = plugin:preset_by_uri (string.format ("VST:%s:%04d", plugin:unique_id (), k))
				if not preset then break end
				print (string.format ("program %d %s", k, preset.label))
			end
		end
		i = i + 1
	end
end
if not found then fail ("no VST instrument in the session") end
local saving = ARDOUR.LuaAPI.monotonic_time ()
if snapshot and not Session:save_state (snapshot, false, false, false, false, false) then
	fail ("could not save the session as " .. snapshot)
end
print (string.format ("took load %.0f save %.0f", (loaded - started) / 1000, (ARDOUR.LuaAPI.monotonic_time () - saving) / 1000))
close_session ()
