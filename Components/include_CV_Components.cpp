// The reusable CV library is compiled as this one unit.
#include "ParamTypes.cpp"
