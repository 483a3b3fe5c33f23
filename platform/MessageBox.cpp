#include "platform/MessageBox.h"

namespace tw {

std::string_view MessageBoxTitle(std::string_view caption) { return caption.empty() ? "Tumblewick" : caption; }

} // namespace tw
