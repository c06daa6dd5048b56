#include "dav/collection.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace kivo {

namespace {

bool SafeInName(unsigned char c) {
  return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '@' || c == '+' || c == '=';
}

// 64-bit FNV-1a: stable across runs and builds, which is all a name needs.
uint64_t NameHash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

const char* ItemExtension(CollectionKind kind) {
  return kind == CollectionKind::kContacts ? ".vcf" : ".ics";
}

const char* ItemContentType(CollectionKind kind) {
  return kind == CollectionKind::kContacts ? "text/vcard; charset=utf-8"
                                           : "text/calendar; charset=utf-8";
}

const char* CollectionNoun(CollectionKind kind) {
  return kind == CollectionKind::kContacts ? "address book" : "calendar";
}

std::string ItemHrefForUid(std::string_view uid, CollectionKind kind) {
  if (uid.empty()) return {};
  bool safe = uid.size() <= 200 && uid.front() != '.';
  for (unsigned char c : uid) safe = safe && SafeInName(c);
  if (safe) return std::string(uid) + ItemExtension(kind);
  std::string name;
  for (unsigned char c : uid.substr(0, 64)) name += SafeInName(c) ? static_cast<char>(c) : '_';
  while (!name.empty() && name.front() == '.') name.erase(0, 1);
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(NameHash(uid)));
  if (!name.empty()) name += '-';
  return name + hash + ItemExtension(kind);
}

bool IsItemHref(std::string_view href) {
  return !href.empty() && href != "." && href != ".." && href.find('/') == std::string_view::npos &&
         href.find('\0') == std::string_view::npos;
}

}  // namespace kivo
