// The reusable CV library is compiled as this one unit.
#include "ParamTypes.cpp"
#include "PresetFile.cpp"
#include "PresetLibrary.cpp"
