// Just enough JSON to read the stand-in service's history: members of objects and items of
// arrays as raw text, and strings unescaped to their UTF-8 bytes.
#pragma once

#include "runtime.h"

namespace host {

// The raw text of member `name` of the object `object`; false when it has none.
bool json_member(const Text& object, const char* name, Text& value);
// Member `name` of `object` as an unescaped string; false when it is missing or not a string.
bool json_string_member(const Text& object, const char* name, Text& value);
// The items (raw text) of the array that is member `name` of `object`.
bool json_array(const Text& object, const char* name, List<Text>& items);

}  // namespace host
