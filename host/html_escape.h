// Text put into HTML (element content or a double-quoted attribute): & < > " escaped.
#pragma once

#include <string>
#include <string_view>

namespace host {

std::string html_escape(std::string_view text);

}  // namespace host
