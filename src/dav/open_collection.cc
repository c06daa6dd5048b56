#include "dav/open_collection.h"

#include <strings.h>

#include <cstdlib>
#include <filesystem>

#include "dav/dav_collection.h"
#include "dav/vdir_collection.h"

namespace kivo {

bool IsServerPlace(std::string_view place) {
  return (place.size() > 7 && strncasecmp(place.data(), "http://", 7) == 0) ||
         (place.size() > 8 && strncasecmp(place.data(), "https://", 8) == 0);
}

DavResult<std::unique_ptr<Collection>> OpenCollection(CollectionKind kind, std::string_view place,
                                                      const std::string& user, HttpOptions options,
                                                      const CredentialSources& sources) {
  if (IsServerPlace(place)) {
    DavResult<std::unique_ptr<DavCollection>> dav =
        OpenDavCollection(place, kind, user, std::move(options), sources);
    if (!dav) return dav.error();
    return std::unique_ptr<Collection>(std::move(dav.value()));
  }
  if (place.empty()) {
    return MakeDavError(DavErrorKind::kBadTarget, "",
                        std::string("no folder or URL given for the ") + CollectionNoun(kind));
  }
  std::filesystem::path folder{std::string(place)};
  const char* home = std::getenv("HOME");
  if (place.substr(0, 2) == "~/" && home != nullptr && *home != 0) {
    folder = std::filesystem::path(home) / std::string(place.substr(2));
  }
  return std::unique_ptr<Collection>(std::make_unique<VdirCollection>(folder, kind));
}

}  // namespace kivo
