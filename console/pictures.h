// The built-in screen pictures in the crunched format shown by DisplayCrunched, converted
// at build time from data/<name>.ans. The generated header "pictures_data.h" also names
// each one as Picture<Name> (first letter upper case, e.g. PictureTest).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The picture made from data/<Name>.ans, or an empty span when there is none.
std::span<const uint8_t> FindPicture(std::string_view Name);
