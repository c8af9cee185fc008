-- STAND-IN for the outside conversion script "Drevik.lua" (not part of this
-- system). It writes what Quorvel's listing mode expects for one model:
--
--   lua Drevik.lua -s VALUE [-noskel] [-nobonerot] [-noanimpos] MODEL
--
-- writes MODEL.mesh.xml, MODEL.mesh, MODEL.material and, unless -noskel is
-- given, MODEL.skeleton.xml and MODEL.skeleton, all beside MODEL.
--
-- Convention of this stand-in: every line of the model text of the form
-- "bitmap NAME" (as in a text .mdl) names the material of one submesh; each
-- name is used once, in order of appearance. A model without such lines gets
-- one submesh with the untextured material BaseWhiteNoLighting. The mesh XML
-- carries each reference as the single token material="NAME". VALUE is
-- recorded as the scale of the mesh; -nobonerot and -noanimpos are recorded in
-- the skeleton files.

local function fail(message)
  io.stderr:write("Drevik.lua stand-in: " .. message .. "\n")
  os.exit(1)
end

local function parseArguments(args)
  local options = { scale = nil, skeleton = true, boneRotation = true, animationPosition = true }
  local i = 1
  while i <= #args do
    local a = args[i]
    if a == "-s" then
      options.scale = args[i + 1]
      i = i + 1
    elseif a == "-noskel" then
      options.skeleton = false
    elseif a == "-nobonerot" then
      options.boneRotation = false
    elseif a == "-noanimpos" then
      options.animationPosition = false
    else
      options.model = a
    end
    i = i + 1
  end
  if not options.model or not options.scale then
    fail("usage: lua Drevik.lua -s VALUE [-noskel] [-nobonerot] [-noanimpos] MODEL")
  end
  return options
end

local function materialNames(modelPath)
  local file = io.open(modelPath, "rb")
  if not file then fail("cannot read " .. modelPath) end
  local names, seen = {}, {}
  for line in file:lines() do
    local name = line:match("^%s*bitmap%s+(%S+)")
    if name and not seen[name] then
      seen[name] = true
      names[#names + 1] = name
    end
  end
  file:close()
  if #names == 0 then names[1] = "BaseWhiteNoLighting" end
  return names
end

local function writeFile(path, text)
  local file = io.open(path, "wb")
  if not file then fail("cannot write " .. path) end
  file:write(text)
  file:close()
end

local function meshXml(names, scale)
  local lines = { '<?xml version="1.0"?>', '<mesh scale="' .. scale .. '">', "    <submeshes>" }
  for _, name in ipairs(names) do
    lines[#lines + 1] = '        <submesh material="' .. name .. '" usesharedvertices="true" />'
  end
  lines[#lines + 1] = "    </submeshes>"
  lines[#lines + 1] = "</mesh>"
  return table.concat(lines, "\n") .. "\n"
end

local function skeletonXml(options)
  return '<skeleton bonerotation="' .. tostring(options.boneRotation) .. '" animationposition="'
    .. tostring(options.animationPosition) .. '">\n</skeleton>\n'
end

local options = parseArguments(arg)
local model = options.model
local names = materialNames(model)
writeFile(model .. ".mesh.xml", meshXml(names, options.scale))
writeFile(model .. ".mesh", "Drevik stand-in mesh, " .. #names .. " submeshes, scale " .. options.scale .. "\n")
writeFile(model .. ".material", "// Drevik stand-in: per-model materials\n")
if options.skeleton then
  writeFile(model .. ".skeleton.xml", skeletonXml(options))
  writeFile(model .. ".skeleton", "Drevik stand-in skeleton\n")
end
print("Drevik.lua stand-in: " .. model .. " -> " .. #names .. " submeshes")
