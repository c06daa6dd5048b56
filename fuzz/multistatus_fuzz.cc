// Fuzz target for the multistatus reader: any body a server (or whatever
// answers in its place) sends must be read or refused with a reason, without
// reading out of bounds, and what is read must hold to the reader's promises:
// paths are absolute and free of NUL, items' lines end in CR LF, a refusal
// names the URL asked.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dav/multistatus.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr char kUrl[] = "http://fuzz.test:5232/u/book/";
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  kivo::DavResult<std::vector<kivo::DavResource>> read = kivo::ReadMultistatus(body, kUrl);
  if (!read) {
    if (read.error().kind != kivo::DavErrorKind::kMalformed || read.error().target != kUrl ||
        read.error().message.empty()) {
      std::abort();
    }
    return 0;
  }
  for (const kivo::DavResource& resource : read.value()) {
    const std::string& path = resource.href.path;
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) std::abort();
    if (resource.href.origin.empty()) std::abort();
    if (resource.status != 0 && (resource.status < 100 || resource.status > 999)) std::abort();
    if (!resource.data) continue;
    const std::string& text = *resource.data;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) std::abort();
    }
  }
  return 0;
}
