#ifndef KIVO_DAV_HTTP_ERRORS_H_
#define KIVO_DAV_HTTP_ERRORS_H_

// The texts of the errors an HTTP exchange ends in: each names what happened
// and what the user can do, and none holds a password.

#include <string>

#include "dav/dav_result.h"

namespace kivo {

// A libcurl failure (a CURLcode) with libcurl's own detail line.
DavError TransportError(int curl_code, const std::string& detail, const std::string& target);

// A status the operation did not expect. `user` is who logged in (empty for
// nobody); `what` names the thing asked for ("the collection", "the item a.vcf").
DavError StatusError(int status, const std::string& target, const std::string& user,
                     const std::string& what);

}  // namespace kivo

#endif  // KIVO_DAV_HTTP_ERRORS_H_
