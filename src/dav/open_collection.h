#ifndef KIVO_DAV_OPEN_COLLECTION_H_
#define KIVO_DAV_OPEN_COLLECTION_H_

// A collection as a person names it, on the command line or in the desktop
// program's list of sync targets: an http or https URL is a CalDAV calendar or
// CardDAV address book on a server, anything else a vdir folder ("~/" at its
// start standing for the home folder).

#include <memory>
#include <string>
#include <string_view>

#include "dav/collection.h"
#include "dav/credentials.h"
#include "dav/http_client.h"

namespace kivo {

// Whether `place` names a server rather than a folder.
bool IsServerPlace(std::string_view place);

// Makes the collection; sends and reads nothing yet (call Check first). For
// a server, `user` and `sources` give the credentials and `options` the rest
// of the connection; a folder needs none of them. Fails with kBadTarget for a
// URL that cannot be used, kUnauthorized when a user has no password.
[[nodiscard]] DavResult<std::unique_ptr<Collection>> OpenCollection(
    CollectionKind kind, std::string_view place, const std::string& user, HttpOptions options,
    const CredentialSources& sources);

}  // namespace kivo

#endif  // KIVO_DAV_OPEN_COLLECTION_H_
