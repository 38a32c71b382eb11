-- Runs in Ardour's Lua session tool on its Dummy back end. Usage:
--   ardour7-lua zv_session.lua create|reload SESSION_DIR
-- "create" makes a session with one stereo track per plug-in format (VST 2.4, VST3, LV2), each
-- carrying Ardour's noise generator, our plug-in and a probe; it selects a program, sets every
-- parameter, checks that audio flows and saves. "reload" opens that session in a fresh process
-- and checks that parameters and programs came back and audio still flows.
-- Prints "FAIL: ..." for every failed check and "ZV-ARDOUR-OK" when all passed. Whether the
-- parameter values came back after the reload is reported apart ("RESTORE-FAIL: ...", and
-- "ZV-ARDOUR-RESTORE-OK" when they all did).
--
-- LV2: the framework publishes the parameters as LV2 parameters (patch properties), not as
-- control ports, and Ardour's Lua interface reaches only control ports; so the LV2 track gets a
-- factory preset (LV2 hosts are offered no program presets) but no parameter changes.

io.stdout:setvbuf ("no")

local mode, dir = arg[1], arg[2]
local name = "zv-ardour-test"
local failures = 0
local restore_failures = 0

local function fail (msg) print ("FAIL: " .. msg); failures = failures + 1 end
local function check (cond, msg) if not cond then fail (msg) end return cond end

local formats = {
	{ track = "VST2", type = ARDOUR.PluginType.LXVST, id = "ZV-Reverb LX", program = "VST:2051813425:0007" },
	{ track = "VST3", type = ARDOUR.PluginType.VST3,  id = "ZV-Reverb LX" },
	{ track = "LV2",  type = ARDOUR.PluginType.LV2,   id = "https://zelvane.example/plugins/zv-reverb-lx",
	  program = "https://zelvane.example/plugins/zv-reverb-lx:factory-plate", no_parameters = true },
}

-- The values every parameter is set to, by name: distinct, and the reverb left on.
local values = {
	["EarlySize"] = 0.25, ["LateSize"] = 0.375, ["Decay"] = 0.625, ["Diffusion"] = 0.75,
	["Listener"] = 0.125, ["Dry-Wet"] = 0.875, ["Volume"] = 0.5, ["On-Off"] = 1,
	["Left On-Off"] = 0, ["Right On-Off"] = 1, ["Stereo On-Off"] = 0,
}

-- Input parameter number (as LuaAPI counts them) by parameter name.
local function parameters (plug)
	local map = {}
	for w = 0, plug:parameter_count () - 1 do
		local id, ok = plug:nth_parameter (w, true)
		if ok[2] and plug:parameter_is_input (id) then
			map[plug:parameter_label (id)] = w
		end
	end
	return map
end

-- The probe's counters: peak, non-finite samples, samples seen.
local function probe (proc)
	local m = proc:to_insert ():plugin (0):to_luaproc ():shmem ():to_float (0):array ()
	return m[1], m[2], m[3]
end

local function check_audio (fmt, probe_proc, when)
	local _, bad0, seen0 = probe (probe_proc)
	sleep (1)
	local peak, bad, seen = probe (probe_proc)
	check (seen - seen0 > 10000, fmt.track .. ": audio flows " .. when .. " (" .. (seen - seen0) .. " samples)")
	check (bad == bad0, fmt.track .. ": output finite " .. when)
	check (peak > 1e-4, fmt.track .. ": output not silent " .. when .. " (peak " .. peak .. ")")
	print (fmt.track .. ": " .. (seen - seen0) .. " samples " .. when .. ", peak " .. peak)
end

AudioEngine:set_backend ("None (Dummy)", "", "")

if mode == "create" then
	assert (create_session (dir, name, 48000), "cannot create session")
	for _, fmt in ipairs (formats) do
		local track = Session:new_audio_track (2, 2, nil, 1, fmt.track, ARDOUR.PresentationInfo.max_order,
		                                       ARDOUR.TrackMode.Normal, true):front ()
		local noise = ARDOUR.LuaAPI.new_luaproc (Session, "ACE Noise")
		local plugin = ARDOUR.LuaAPI.new_plugin (Session, fmt.id, fmt.type, "")
		local probe_proc = ARDOUR.LuaAPI.new_luaproc (Session, "ZV Signal Probe")
		if check (not plugin:isnil (), fmt.track .. ": Ardour finds the plug-in") then
			check (not noise:isnil () and not probe_proc:isnil (), "test processors exist")
			track:add_processor_by_index (noise, 0, nil, true)
			track:add_processor_by_index (plugin, 1, nil, true)
			track:add_processor_by_index (probe_proc, 2, nil, true)
			local plug = plugin:to_insert ():plugin (0)
			if fmt.program then
				local preset = plug:preset_by_uri (fmt.program)
				if check (preset ~= nil, fmt.track .. ": program " .. fmt.program .. " listed") then
					check (plug:load_preset (preset), fmt.track .. ": program selected")
				end
			end
			local map = parameters (plug)
			for pname, v in pairs (fmt.no_parameters and {} or values) do
				if check (map[pname] ~= nil, fmt.track .. ": parameter " .. pname .. " listed") then
					check (ARDOUR.LuaAPI.set_processor_param (plugin, map[pname], v), fmt.track .. ": set " .. pname)
					local got = ARDOUR.LuaAPI.get_processor_param (plugin, map[pname], true)
					check (math.abs (got - v) < 1e-6, fmt.track .. ": " .. pname .. " reads back")
				end
			end
			check_audio (fmt, probe_proc, "after insertion")
		end
	end
	Session:save_state ("", false, false, false, false, false)
	close_session ()
elseif mode == "reload" then
	assert (load_session (dir, name), "cannot load session")
	for _, fmt in ipairs (formats) do
		local track = Session:route_by_name (fmt.track)
		if check (not track:isnil (), fmt.track .. ": track came back") then
			local plugin = track:nth_plugin (1)
			local probe_proc = track:nth_plugin (2)
			if check (not plugin:isnil () and not probe_proc:isnil (), fmt.track .. ": plug-ins came back") then
				local plug = plugin:to_insert ():plugin (0)
				check (plug:name () == "ZV-Reverb LX", fmt.track .. ": it is ours (" .. plug:name () .. ")")
				if fmt.program then
					check (plug:last_preset ().uri == fmt.program,
					       fmt.track .. ": program came back (" .. tostring (plug:last_preset ().uri) .. ")")
				end
				local map = parameters (plug)
				for pname, v in pairs (fmt.no_parameters and {} or values) do
					if check (map[pname] ~= nil, fmt.track .. ": parameter " .. pname .. " listed after reload") then
						local got = ARDOUR.LuaAPI.get_processor_param (plugin, map[pname], true)
						if math.abs (got - v) >= 1e-6 then
							print ("RESTORE-FAIL: " .. fmt.track .. ": " .. pname .. " came back as " .. got .. ", expected " .. v)
							restore_failures = restore_failures + 1
						end
					end
				end
				check_audio (fmt, probe_proc, "after reload")
			end
		end
	end
	close_session ()
end

if failures == 0 then print ("ZV-ARDOUR-OK") end
if mode == "reload" and restore_failures == 0 then print ("ZV-ARDOUR-RESTORE-OK") end
