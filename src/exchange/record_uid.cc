#include "exchange/record_uid.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace kivo {

namespace {

// The UUID namespace of this program's records; any fixed value serves, it
// only keeps our UIDs apart from other programs' name-based ones.
constexpr std::array<uint8_t, 16> kNamespace = {0x6b, 0x69, 0x76, 0x6f, 0x2d, 0x6c, 0x69, 0x6e,
                                                0x6b, 0x2d, 0x72, 0x65, 0x63, 0x6f, 0x72, 0x64};

uint32_t Rotate(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// SHA-1 (FIPS 180-4) of a short message, which is all a UID needs.
std::array<uint8_t, 20> Sha1(std::vector<uint8_t> message) {
  const uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
  message.push_back(0x80);
  while (message.size() % 64 != 56) message.push_back(0);
  for (int i = 7; i >= 0; --i) message.push_back(static_cast<uint8_t>(bits >> (i * 8)));
  std::array<uint32_t, 5> h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  for (size_t block = 0; block < message.size(); block += 64) {
    std::array<uint32_t, 80> w{};
    for (int t = 0; t < 16; ++t) {
      const uint8_t* p = &message[block + t * 4];
      w[t] = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    }
    for (int t = 16; t < 80; ++t) w[t] = Rotate(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
      uint32_t f = 0;
      uint32_t k = 0;
      if (t < 20) {
        f = (b & c) | (~b & d);
        k = 0x5A827999;
      } else if (t < 40) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1;
      } else if (t < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6;
      }
      const uint32_t next = Rotate(a, 5) + f + e + k + w[t];
      e = d;
      d = c;
      c = Rotate(b, 30);
      b = a;
      a = next;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  std::array<uint8_t, 20> digest{};
  for (int i = 0; i < 20; ++i) digest[i] = static_cast<uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

}  // namespace

std::string RecordUid(AppliId id, std::span<const uint8_t> bytes, int occurrence) {
  // The name: the application, the occurrence (four bytes, high first), the
  // record.
  std::vector<uint8_t> message(kNamespace.begin(), kNamespace.end());
  message.push_back(id);
  for (int i = 3; i >= 0; --i) message.push_back(static_cast<uint8_t>(occurrence >> (i * 8)));
  message.insert(message.end(), bytes.begin(), bytes.end());
  std::array<uint8_t, 20> uuid = Sha1(std::move(message));
  uuid[6] = static_cast<uint8_t>((uuid[6] & 0x0F) | 0x50);  // version 5
  uuid[8] = static_cast<uint8_t>((uuid[8] & 0x3F) | 0x80);  // RFC 4122 variant
  constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[uuid[i] >> 4];
    text += kHex[uuid[i] & 0x0F];
  }
  return text;
}

std::vector<std::string> RecordUids(const AppliStore& store, AppliId id) {
  std::vector<std::string> uids;
  std::unordered_map<std::string, int> seen;
  const int count = std::max(store.GetRecordCount(id), 0);
  for (int i = 0; i < count; ++i) {
    const std::span<const uint8_t> record = store.Record(id, i);
    int& occurrence = seen[std::string(record.begin(), record.end())];
    uids.push_back(RecordUid(id, record, occurrence++));
  }
  return uids;
}

}  // namespace kivo
