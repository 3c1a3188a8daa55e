-- Loads a saved session and prints what the host sees of its instrument
-- (the VST 2 module or the LV2 plug-in): identity, each parameter with its
-- name and value, and each program (preset) name; then saves the session
-- again as SNAPSHOT when one is named. Ends with
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
		local kind = plugin:get_info ().type
		if kind == ARDOUR.PluginType.LV2 and plugin:unique_id ():find ("^urn:parvolino:") then
			found = true
			-- Ports are the parameters here; the control inputs are counted apart.
			print (string.format ("plugin name=%s uri=%s", proc:display_name (), plugin:unique_id ()))
			local n = 0
			for k = 0, plugin:parameter_count () - 1 do
				if plugin:parameter_is_control (k) and plugin:parameter_is_input (k) then
					print (string.format ("param %d %s %.6f", n, plugin:parameter_label (k), ARDOUR.LuaAPI.get_processor_param (proc, n, false)))
					n = n + 1
				end
			end
			for k = 1, 128 do
				local preset = plugin:preset_by_uri (string.format ("%s#program%d", plugin:unique_id (), k))
				if not preset then break end
				print (string.format ("program %d %s", k - 1, preset.label))
			end
		elseif kind == ARDOUR.PluginType.LXVST then
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
if not found then fail ("no VST 2 or LV2 instrument of ours in the session") end
local saving = ARDOUR.LuaAPI.monotonic_time ()
if snapshot and not Session:save_state (snapshot, false, false, false, false, false) then
	fail ("could not save the session as " .. snapshot)
end
print (string.format ("took load %.0f save %.0f", (loaded - started) / 1000, (ARDOUR.LuaAPI.monotonic_time () - saving) / 1000))
close_session ()
