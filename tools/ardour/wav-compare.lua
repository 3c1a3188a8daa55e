-- Compares the host's recording with our renderer's output of the same score.
-- The host's events arrive OFFSET frames late, so frame k of ours is frame
-- k + OFFSET of the host's. Prints one summary line and exits non-zero when
-- the two differ by more than TOLERANCE anywhere, or when ours is silent.
-- Usage: ardour7-lua wav-compare.lua HOST.wav OURS.wav OFFSET TOLERANCE
local host_file, our_file = arg[1], arg[2]
local offset, tolerance = tonumber (arg[3]), tonumber (arg[4])
assert (host_file and our_file and offset and tolerance, "usage: HOST.wav OURS.wav OFFSET TOLERANCE")

local function fail (msg) print ("FAIL: " .. msg); os.exit (1) end

-- Reads 16/24/32-bit integer or 32-bit float PCM; returns rate and one array per channel.
local function read_wav (name)
	local f = io.open (name, "rb")
	if not f then fail ("cannot open " .. name) end
	local data = f:read ("a")
	f:close ()
	if data:sub (1, 4) ~= "RIFF" or data:sub (9, 12) ~= "WAVE" then fail (name .. " is not a WAV file") end
	local pos, fmt, pcm = 13, nil, nil
	while pos + 8 <= #data do
		local id, size = data:sub (pos, pos + 3), string.unpack ("<I4", data, pos + 4)
		if id == "fmt " then
			local tag, channels, rate, _, _, bits = string.unpack ("<I2I2I4I4I2I2", data, pos + 8)
			if tag == 0xFFFE then tag = string.unpack ("<I2", data, pos + 32) end
			fmt = { tag = tag, channels = channels, rate = rate, bits = bits }
		elseif id == "data" then
			pcm = data:sub (pos + 8, pos + 7 + size)
		end
		pos = pos + 8 + size + (size % 2)
	end
	if not fmt or not pcm then fail (name .. " has no fmt or data chunk") end
	local code, scale
	if fmt.tag == 3 and fmt.bits == 32 then code = "<f"
	elseif fmt.tag == 1 and fmt.bits == 16 then code, scale = "<i2", 1 / 32768
	elseif fmt.tag == 1 and fmt.bits == 24 then code, scale = "<i3", 1 / 8388608
	elseif fmt.tag == 1 and fmt.bits == 32 then code, scale = "<i4", 1 / 2147483648
	else fail (string.format ("%s: unsupported format %d/%d bits", name, fmt.tag, fmt.bits)) end
	local step = fmt.bits // 8
	local channels = {}
	for c = 1, fmt.channels do channels[c] = {} end
	local frames = #pcm // (step * fmt.channels)
	local p = 1
	for k = 1, frames do
		for c = 1, fmt.channels do
			local v = string.unpack (code, pcm, p)
			channels[c][k] = scale and v * scale or v
			p = p + step
		end
	end
	return fmt.rate, channels, frames
end

local host_rate, host, host_frames = read_wav (host_file)
local our_rate, ours, our_frames = read_wav (our_file)
if host_rate ~= our_rate then fail (string.format ("rates differ: %d and %d", host_rate, our_rate)) end
if #host < 2 or #ours < 2 then fail ("both recordings must be stereo") end

local frames = math.min (our_frames, host_frames - offset)
if frames <= 0 then fail ("the host's recording is shorter than the offset") end

-- Largest difference at a given lag, over both channels.
local function max_difference (lag)
	local worst, at = 0, 0
	for c = 1, 2 do
		local h, o = host[c], ours[c]
		for k = 1, math.min (our_frames, host_frames - lag) do
			local d = math.abs (h[k + lag] - o[k])
			if d > worst then worst, at = d, k - 1 end
		end
	end
	return worst, at
end

local function first_sound (channels, count)
	for k = 1, count do
		if channels[1][k] ~= 0 or channels[2][k] ~= 0 then return k - 1 end
	end
end

local peak, nonzero = 0, 0
for k = 1, frames do
	local v = math.abs (ours[1][k])
	if v > peak then peak = v end
	if v ~= 0 then nonzero = nonzero + 1 end
end
local lead = 0 -- the host's output before our first frame must be silent
for k = 1, math.min (offset, host_frames) do
	lead = math.max (lead, math.abs (host[1][k]), math.abs (host[2][k]))
end

local worst, at = max_difference (offset)
print (string.format ("compared %d frames at offset %d: max difference %.3g at frame %d, our peak %.4f, %d non-zero frames, host lead-in peak %.3g",
	frames, offset, worst, at, peak, nonzero, lead))
if peak == 0 then fail ("our render is silent") end
if worst > tolerance or lead > tolerance then
	-- Say where the recordings start to sound, to tell a timing change from a sound change.
	local h, o = first_sound (host, host_frames), first_sound (ours, our_frames)
	fail (string.format ("the recordings differ; first sound at host frame %s, our frame %s", tostring (h), tostring (o)))
end
print ("match")
