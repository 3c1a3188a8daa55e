-- The instrument's chunk as the host keeps it in a session file: a bank of
-- four 300-byte programs (24-byte name, 260-byte sample path, four
-- little-endian floats), then the samples kept in the project (passed on
-- untouched), base64-encoded inside the plug-in's <chunk> element.
local M = {}

M.unique_id = "1214599265" -- 'HePa' as the host writes it
M.programs = 4
local program_format = "<c24c260ffff"
local program_size = 300

local alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
local digit = {}
for i = 1, 64 do digit[alphabet:byte (i)] = i - 1 end

function M.base64_encode (data)
	local out = {}
	for i = 1, #data, 3 do
		local a, b, c = data:byte (i, i + 2)
		local n = (a << 16) | ((b or 0) << 8) | (c or 0)
		local quad = {}
		for k = 1, 4 do
			local v = ((n >> (24 - 6 * k)) & 63) + 1
			quad[k] = alphabet:sub (v, v)
		end
		if not b then quad[3] = "=" end
		if not c then quad[4] = "=" end
		out[#out + 1] = table.concat (quad)
	end
	return table.concat (out)
end

-- nil for text that is not base64
function M.base64_decode (text)
	text = text:gsub ("%s", "")
	if #text % 4 ~= 0 then return nil end
	local out = {}
	for i = 1, #text, 4 do
		local n, pad = 0, 0
		for k = 0, 3 do
			local ch = text:byte (i + k)
			local v = digit[ch]
			if ch == 61 and i + 4 > #text and k >= 2 then pad, v = pad + 1, 0 end -- '=' at the end
			if not v then return nil end
			n = (n << 6) | v
		end
		out[#out + 1] = string.char ((n >> 16) & 255, (n >> 8) & 255, n & 255):sub (1, 3 - pad)
	end
	return table.concat (out)
end

local function field (text, size) return text .. string.rep ("\0", size - #text) end
local function cstring (bytes) return bytes:match ("^[^%z]*") end

-- Programs as tables { name, path, values = {4 floats} }, and what follows
-- the bank (the kept samples); nil when the chunk is shorter than a bank.
function M.unpack_bank (chunk)
	if #chunk < program_size * M.programs then return nil end
	local programs = {}
	for p = 0, M.programs - 1 do
		local name, path, a, b, c, d = string.unpack (program_format, chunk, p * program_size + 1)
		programs[p + 1] = { name = cstring (name), path = cstring (path), values = { a, b, c, d } }
	end
	return programs, chunk:sub (program_size * M.programs + 1)
end

function M.pack_bank (programs, tail)
	local out = {}
	for _, p in ipairs (programs) do
		local v = p.values
		out[#out + 1] = string.pack (program_format, field (p.name, 24), field (p.path, 260), v[1], v[2], v[3], v[4])
	end
	out[#out + 1] = tail or ""
	return table.concat (out)
end

local chunk_pattern = '(<Processor[^>]-type="lxvst"[^>]-unique%-id="(%d+)".-<chunk[^>]*>)([^<]*)(</chunk>)'

-- Calls edit(programs, tail) on the instrument's chunk in a session file's
-- text and writes back what it returns (when it returns programs), the tail
-- unchanged. Returns the new text and the number of instrument chunks
-- found, or nil and a message.
function M.edit_session (xml, edit)
	local found, problem = 0, nil
	local text = xml:gsub (chunk_pattern, function (head, id, encoded, tail)
		if id ~= M.unique_id then return nil end
		found = found + 1
		local bank = M.base64_decode (encoded)
		local programs, kept
		if bank then programs, kept = M.unpack_bank (bank) end
		if not programs then
			problem = "the chunk is not a bank of four programs (" .. (bank and #bank .. " bytes" or "bad base64") .. ")"
			return nil
		end
		local changed = edit (programs, kept)
		if not changed then return nil end
		return head .. M.base64_encode (M.pack_bank (changed, kept)) .. tail
	end)
	if problem then return nil, problem end
	return text, found
end

function M.read_file (name)
	local f = io.open (name, "rb")
	if not f then return nil end
	local text = f:read ("a")
	f:close ()
	return text
end

function M.write_file (name, text)
	local f = assert (io.open (name, "wb"))
	f:write (text)
	f:close ()
end

return M
