ardour {
	["type"]    = "dsp",
	name        = "ZV Signal Probe",
	category    = "Utility",
	license     = "GPL-3.0-or-later",
	author      = "Zelvane",
	description = [[Test probe: passes audio through unchanged and counts, in shared memory, the samples seen, the non-finite samples and the peak level.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	self:shmem ():allocate (3)
	local m = self:shmem ():to_float (0):array ()
	m[1] = 0 -- peak of the finite samples
	m[2] = 0 -- non-finite samples
	m[3] = 0 -- samples seen, per channel
end

function dsp_run (ins, outs, n_samples)
	local m = self:shmem ():to_float (0):array ()
	for c = 1, #ins do
		local a = ins[c]:array ()
		for s = 1, n_samples do
			local x = a[s]
			if x ~= x or x == math.huge or x == -math.huge then
				m[2] = m[2] + 1
			elseif math.abs (x) > m[1] then
				m[1] = math.abs (x)
			end
		end
		if ins[c] ~= outs[c] then
			ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples)
		end
	end
	m[3] = m[3] + n_samples
end
