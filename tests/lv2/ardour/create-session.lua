-- ardour7-lua create-session.lua FOLDER NAME RATE FRAMES URI PRESET [INDEX=VALUE]...
--
-- A new session with one stereo track holding an empty region of FRAMES frames (a bounce
-- of the empty track: headless Lua cannot import files) and the plug-in URI, set to the
-- factory preset labelled PRESET, then to each control INDEX (control inputs counted
-- from 0) = VALUE. Prints "SOURCE <path>" for each channel file of the region, so the
-- caller can write its audio into them, and "SAVED" once saved. The plug-in is an LV2
-- unless DROLLICANT_PLUGIN_TYPE names another of Ardour's plug-in types (VST3).
io.stdout:setvbuf("no")
local folder, name, rate, frames, uri, preset = arg[1], arg[2], tonumber(arg[3]), tonumber(arg[4]), arg[5], arg[6]

AudioEngine:set_backend("None (Dummy)", "", "")
local session = create_session(folder, name, rate)
assert(session, "cannot create the session")
session:new_audio_track(2, 2, nil, 1, "Wet", -1, ARDOUR.TrackMode.Normal, true)
-- Track methods need the Track type: the list new_audio_track returns holds AudioTracks.
local track = session:route_by_name("Wet"):to_track()

-- bounce_range crashes with a nil end point: stop before the main outs instead.
local region = track:bounce_range(0, frames, ARDOUR.InterThreadInfo(), track:main_outs(), false, "input", false)
assert(region, "cannot bounce the empty track")
local audio = region:to_audioregion()
-- A region fades in and out over 64 frames by default: off, so the track plays the file.
-- The playlist holds a copy of the region it is given, so before adding it.
audio:set_fade_in_active(false)
audio:set_fade_out_active(false)
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)
for c = 0, audio:n_channels() - 1 do print("SOURCE " .. audio:source(c):to_filesource():path()) end

local pluginType = ARDOUR.PluginType[os.getenv("DROLLICANT_PLUGIN_TYPE") or "LV2"]
local processor = ARDOUR.LuaAPI.new_plugin(session, uri, pluginType, "")
assert(not processor:isnil(), "no such plug-in: " .. uri)
assert(track:add_processor_by_index(processor, 0, nil, true) == 0, "cannot add the plug-in")
local plugin = processor:to_insert():plugin(0)
print("MAKER " .. plugin:maker())
local record = plugin:preset_by_label(preset)
assert(record, "no preset " .. preset)
assert(plugin:load_preset(record), "cannot load preset " .. preset)
for i = 7, #arg do
  local index, value = arg[i]:match("^(%d+)=(.+)$")
  assert(ARDOUR.LuaAPI.set_processor_param(processor, tonumber(index), tonumber(value)), "cannot set " .. arg[i])
end

session:save_state("", false, false, false, false, false)
print("SAVED")
-- Lua's hold on the session's objects goes first: collected after the session has
-- closed, they free what it already freed, and Ardour 7.3 dies on its way out.
track, region, audio, processor, plugin, record = nil, nil, nil, nil, nil, nil
collectgarbage()
close_session()
