#include "com/bstr_text.h"

#include <climits>

namespace orvix::com {

BSTR AllocBstrFromAnsi(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return SysAllocStringLen(nullptr, 0);
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return SysAllocStringLen(nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (result != nullptr) MultiByteToWideChar(CP_ACP, 0, text.data(), size, result, length);
  return result;
}

}  // namespace orvix::com
