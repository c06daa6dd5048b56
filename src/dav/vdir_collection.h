#ifndef KIVO_DAV_VDIR_COLLECTION_H_
#define KIVO_DAV_VDIR_COLLECTION_H_

// A vdir: a folder with one vCard (.vcf) or iCalendar (.ics) item per file,
// as desktop calendar and address book tools keep them. An item's href is its
// file name; its ETag is a version tag of the file (see VdirVersionTag).
// Dotfiles, temporary files and files of other extensions (a vdir's "color"
// and "displayname") are not items. Files are written whole through a
// temporary file in the same folder and a rename, so a reader sees the old
// item or the new one, never a part.
//
// The version check and the rename are two steps: another program that writes
// the same file between them (within microseconds) is not noticed. Tools that
// share vdirs do not lock them either.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "dav/collection.h"

namespace kivo {

class VdirCollection : public Collection {
 public:
  VdirCollection(std::filesystem::path folder, CollectionKind kind);

  CollectionKind kind() const override { return kind_; }
  const std::string& target() const override { return target_; }

  // The folder must exist (it is not made here: a mistyped path would
  // otherwise become a new, empty collection). When it holds no items but
  // subfolders that do, says so and names them.
  [[nodiscard]] DavStatus Check() override;
  [[nodiscard]] DavResult<std::vector<ItemRef>> List() override;
  [[nodiscard]] DavResult<std::vector<Item>> Fetch(const std::vector<std::string>& hrefs) override;
  [[nodiscard]] DavResult<Item> Get(const std::string& href) override;
  [[nodiscard]] DavResult<ItemRef> Create(std::string_view uid, std::string_view data) override;
  [[nodiscard]] DavResult<ItemRef> Update(const std::string& href, std::string_view data,
                                          const std::string& etag) override;
  [[nodiscard]] DavStatus Delete(const std::string& href, const std::string& etag) override;

 private:
  bool IsItemFile(const std::string& name) const;
  DavResult<Item> Read(const std::string& href, bool* missing);
  DavError Local(const std::string& what, int error_number) const;
  DavError Changed(const std::string& href) const;
  DavError BadHref(const std::string& href) const;

  std::filesystem::path folder_;
  CollectionKind kind_;
  std::string target_;
};

// A file's version tag: "<mtime seconds>.<nanoseconds, 9 digits>-<size>-<hash>"
// with the 64-bit FNV-1a hash of the contents in 16 hex digits. The time and
// size alone would miss an edit of the same length within one tick of a
// coarse clock; the hash alone would miss nothing but costs the same read.
std::string VdirVersionTag(int64_t mtime_seconds, int64_t mtime_nanoseconds, uint64_t size,
                           std::string_view contents);

}  // namespace kivo

#endif  // KIVO_DAV_VDIR_COLLECTION_H_
