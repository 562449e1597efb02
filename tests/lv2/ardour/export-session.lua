-- ardour7-lua export-session.lua FOLDER NAME FRAMES CONTROLS PRESET_ID OUTPUT_FOLDER
--
-- Reopens the session, prints "PARAM <index> <value>" for the first CONTROLS control
-- inputs of the track's plug-in, "CYCLE <frames per engine cycle>" and "PREROLL <seconds
-- of silence Ardour runs before an export>", exports frames 0
-- to FRAMES of the master bus with the export preset PRESET_ID into OUTPUT_FOLDER and
-- prints "EXPORTED".
io.stdout:setvbuf("no")
local folder, name, frames, controls, presetId, output =
  arg[1], arg[2], tonumber(arg[3]), tonumber(arg[4]), arg[5], arg[6]

-- Reset plug-ins when the transport stops (an export stops and starts it), so every
-- export starts from a freshly activated plug-in, not from wherever the engine's idle
-- cycles left its oscillators.
ARDOUR.config():set_plugins_stop_with_transport(true)
AudioEngine:set_backend("None (Dummy)", "", "")
local session = load_session(folder, name)
assert(session, "cannot load the session")
local processor = session:route_by_name("Wet"):nth_plugin(0)
assert(not processor:isnil(), "the plug-in did not come back")
for i = 0, controls - 1 do
  print(string.format("PARAM %d %.9g", i, ARDOUR.LuaAPI.get_processor_param(processor, i, true)))
end
print("CYCLE " .. session:get_block_size())
print("PREROLL " .. ARDOUR.config():get_export_preroll())

local export = session:simple_export()
assert(export:set_preset(presetId), "no export preset " .. presetId)
export:set_folder(output)
export:set_range(0, frames)
assert(export:run_export(), "the export failed")
print("EXPORTED")
-- Lua's hold on the session's objects goes first: collected after the session has
-- closed, they free what it already freed, and Ardour 7.3 dies on its way out.
processor, export = nil, nil
collectgarbage()
close_session()
