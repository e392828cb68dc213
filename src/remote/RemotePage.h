// The remote control page: one self-contained HTML file (styles and script inline) in the binary.
#pragma once

#include <string_view>

namespace kel::remote {

std::string_view PageHtml();

} // namespace kel::remote
