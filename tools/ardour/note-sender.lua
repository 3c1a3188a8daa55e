ardour {
	["type"]    = "dsp",
	name        = "Parvolino Test Notes",
	category    = "Utility",
	license     = "MIT",
	description = [[Plays a fixed score into the instrument after it: each MIDI event is sent in the cycle in which the transport passes its sample position.]]
}

-- Sample position and the three MIDI bytes of every event, in time order.
-- The ardour stage renders the same score with parvolino-render and compares
-- the two recordings, so this table is the one source of the score.
SCORE = {
	{     0, 0x90, 60, 100 },  -- a note at the sample's own pitch
	{  9000, 0x91, 67,  90 },  -- a fifth above, on another channel
	{ 21000, 0x80, 60,   0 },  -- the first note lets its grains play out
	{ 30000, 0x90, 48, 110 },  -- an octave below
	{ 42000, 0xE0,  0,  80 },  -- pitch bend: the wheel drives Speed
	{ 54000, 0x90, 72,   0 },  -- velocity 0 releases nothing held (72 is silent)
	{ 60000, 0xB0, 123,  0 },  -- all notes off
	{ 78000, 0x90, 64, 100 },  -- a last note after everything has ended
	{ 96000, 0x80, 64,   0 },
}

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0 } }
end

function dsp_run (_, _, n_samples)
	if not Session:transport_rolling () then return end
	local pos = Session:transport_sample ()
	local cnt = 1
	for _, ev in ipairs (SCORE) do
		if ev[1] >= pos and ev[1] < pos + n_samples then
			-- event times of a Lua processor count from 1
			midiout[cnt] = { time = ev[1] - pos + 1, data = { ev[2], ev[3], ev[4] } }
			cnt = cnt + 1
		end
	end
end
