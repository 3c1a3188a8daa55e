-- Builds a session headlessly: a MIDI track with the plug-in as its
-- instrument, the test score sender before it, a render range, and any
-- parameter values given; saves it and closes. The plug-in is the VST 2
-- module at PLUGIN (a path), or the LV2 plug-in whose URI PLUGIN is.
-- Usage: ardour7-lua session-create.lua PLUGIN SESSION_DIR NAME RATE BLOCK LENGTH [INDEX=VALUE ...]
local plugin_path, dir, name = arg[1], arg[2], arg[3]
local rate, block, length = tonumber (arg[4]), tonumber (arg[5]), tonumber (arg[6])
assert (plugin_path and dir and name and rate and block and length, "usage: PLUGIN SESSION_DIR NAME RATE BLOCK LENGTH [INDEX=VALUE ...]")

local function fail (msg) print ("FAIL: " .. msg); os.exit (1) end

-- The dummy backend is hidden from the backend list but can be chosen by name.
local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend then fail ("no dummy audio backend") end
backend:set_device_name ("Silence")
backend:set_sample_rate (rate)
backend:set_buffer_size (block)
if AudioEngine:start (false) ~= 0 then fail ("the audio engine did not start") end

if not create_session (dir, name, rate) then fail ("could not create the session " .. dir) end

local info
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
	if (p.type == ARDOUR.PluginType.LXVST and p.path == plugin_path)
		or (p.type == ARDOUR.PluginType.LV2 and p.unique_id == plugin_path) then info = p end
end
if not info then fail ("the host does not list " .. plugin_path) end
print (string.format ("listed: %s (unique id %s)", info.name, info.unique_id))

local midi = ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1)
local stereo = ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2)
local tracks = Session:new_midi_track (midi, stereo, false, info, nil, nil, 1, "Instrument",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
if tracks:size () ~= 1 then fail ("no MIDI track with the instrument") end
local track = tracks:front ()

local sender = ARDOUR.LuaAPI.new_luaproc (Session, "Parvolino Test Notes")
if sender:isnil () then fail ("the score sender script is not installed") end
if track:add_processor_by_index (sender, 0, nil, true) ~= 0 then fail ("could not insert the score sender") end

-- Plug-in 0 is now the sender, plug-in 1 the instrument.
local insert = track:nth_plugin (1)
if insert:isnil () or insert:display_name () ~= info.name then fail ("the instrument is not after the sender") end
for i = 7, #arg do
	local index, value = arg[i]:match ("^(%d+)=([-%d.e]+)$")
	if not index then fail ("bad parameter setting " .. arg[i]) end
	if not ARDOUR.LuaAPI.set_processor_param (insert, tonumber (index), tonumber (value)) then
		fail ("could not set parameter " .. index)
	end
end

-- A plain range; the chunk tool turns it into the session range in the saved file.
Session:locations ():add_range (Temporal.timepos_t (0), Temporal.timepos_t (length))

if not Session:save_state ("", false, false, false, false, false) then fail ("could not save the session") end
close_session ()
print ("created " .. dir)
