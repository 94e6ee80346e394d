// Renames one dynamic symbol of an ELF shared object in place:
//   RenameElfSymbol FILE FROM TO
// The camera libraries export a name with an '@' in it, which the ELF linkers read as a symbol
// version and so cannot produce. The library is linked with a placeholder of the same length
// and a SysV hash table only (--hash-style=sysv); this tool writes the real name over the
// placeholder in the dynamic string table (and the static one, for tidy listings) and rebuilds
// the hash table, since the name's hash decides where the loader looks for it.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kShtSymtab = 2;
constexpr std::uint32_t kShtHash = 5;
constexpr std::uint32_t kShtDynsym = 11;
constexpr std::uint32_t kShtGnuHash = 0x6ffffff6;

struct Failure {
  std::string message;
};

class Image {
 public:
  explicit Image(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 64 || std::memcmp(bytes_.data(),
                                          "\x7f"
                                          "ELF",
                                          4) != 0) {
      throw Failure{"not an ELF file"};
    }
    if (bytes_[4] != 1 && bytes_[4] != 2) throw Failure{"unknown ELF class"};
    if (bytes_[5] != 1) throw Failure{"not a little-endian ELF file"};
    wide_ = bytes_[4] == 2;
  }

  std::uint64_t Read(std::uint64_t offset, unsigned size) const {
    if (offset + size > bytes_.size()) throw Failure{"truncated ELF file"};
    std::uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i) value |= std::uint64_t{bytes_[offset + i]} << (8 * i);
    return value;
  }
  void Write32(std::uint64_t offset, std::uint32_t value) {
    if (offset + 4 > bytes_.size()) throw Failure{"truncated ELF file"};
    for (unsigned i = 0; i < 4; ++i)
      bytes_[offset + i] = static_cast<unsigned char>(value >> (8 * i));
  }
  std::uint64_t Address(std::uint64_t offset) const { return Read(offset, wide_ ? 8 : 4); }

  struct Section {
    std::uint32_t type;
    std::uint64_t offset, size, entrySize;
    std::uint32_t link;
  };
  std::vector<Section> Sections() const {
    const std::uint64_t table = Address(wide_ ? 40 : 32);
    const std::uint64_t entrySize = Read(wide_ ? 58 : 46, 2);
    const std::uint64_t count = Read(wide_ ? 60 : 48, 2);
    std::vector<Section> sections;
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t at = table + i * entrySize;
      sections.push_back({static_cast<std::uint32_t>(Read(at + 4, 4)),
                          Address(at + (wide_ ? 24 : 16)), Address(at + (wide_ ? 32 : 20)),
                          Address(at + (wide_ ? 56 : 36)),
                          static_cast<std::uint32_t>(Read(at + (wide_ ? 40 : 24), 4))});
    }
    return sections;
  }

  std::string String(std::uint64_t offset) const {
    std::string text;
    while (true) {
      const char c = static_cast<char>(Read(offset++, 1));
      if (!c) return text;
      text += c;
    }
  }
  void Overwrite(std::uint64_t offset, const std::string& text) {
    std::memcpy(bytes_.data() + offset, text.data(), text.size());
  }

  const std::vector<unsigned char>& Bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  bool wide_ = true;
};

std::uint32_t SysvHash(const std::string& name) {
  std::uint32_t h = 0;
  for (const unsigned char c : name) {
    h = (h << 4) + c;
    const std::uint32_t g = h & 0xf0000000u;
    if (g) h ^= g >> 24;
    h &= ~g;
  }
  return h;
}

// Renames the symbol in one symbol table; returns false when the table does not hold it.
bool RenameIn(Image& image, const Image::Section& symbols, const Image::Section& strings,
              const std::string& from, const std::string& to) {
  const std::uint64_t count = symbols.size / symbols.entrySize;
  std::uint64_t target = 0;
  bool found = false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t name = image.Read(symbols.offset + i * symbols.entrySize, 4);
    if (image.String(strings.offset + name) == from) target = name, found = true;
  }
  if (!found) return false;
  // The linker may share the tail of a string with another name; such a name would change too.
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t name = image.Read(symbols.offset + i * symbols.entrySize, 4);
    if (name > target && name < target + from.size()) {
      throw Failure{"another symbol shares the placeholder's text"};
    }
  }
  image.Overwrite(strings.offset + target, to);
  return true;
}

void Rename(Image& image, const std::string& from, const std::string& to) {
  if (from.size() != to.size()) throw Failure{"the names differ in length"};
  const auto sections = image.Sections();
  const Image::Section* dynsym = nullptr;
  const Image::Section* hash = nullptr;
  for (const auto& section : sections) {
    if (section.type == kShtGnuHash) throw Failure{"has a GNU hash table; link with sysv only"};
    if (section.type == kShtDynsym) dynsym = &section;
    if (section.type == kShtHash) hash = &section;
  }
  if (!dynsym || !hash || dynsym->entrySize == 0 || dynsym->link >= sections.size()) {
    throw Failure{"no dynamic symbol table with a hash table"};
  }
  const Image::Section& dynstr = sections[dynsym->link];
  if (!RenameIn(image, *dynsym, dynstr, from, to)) throw Failure{"no dynamic symbol " + from};
  for (const auto& section : sections) {
    if (section.type == kShtSymtab && section.entrySize && section.link < sections.size()) {
      RenameIn(image, section, sections[section.link], from, to);
    }
  }

  // Rebuild the buckets and chains for the new names.
  const std::uint64_t symbolCount = dynsym->size / dynsym->entrySize;
  const auto buckets = static_cast<std::uint32_t>(image.Read(hash->offset, 4));
  const auto chains = image.Read(hash->offset + 4, 4);
  if (buckets == 0 || chains != symbolCount || hash->size < 8 + 4 * (buckets + chains)) {
    throw Failure{"unexpected hash table"};
  }
  const std::uint64_t bucketAt = hash->offset + 8;
  const std::uint64_t chainAt = bucketAt + 4 * std::uint64_t{buckets};
  for (std::uint64_t i = 0; i < buckets; ++i) image.Write32(bucketAt + 4 * i, 0);
  for (std::uint64_t i = 0; i < chains; ++i) image.Write32(chainAt + 4 * i, 0);
  for (std::uint64_t i = 1; i < symbolCount; ++i) {
    const std::uint64_t name = image.Read(dynsym->offset + i * dynsym->entrySize, 4);
    const std::uint32_t bucket = SysvHash(image.String(dynstr.offset + name)) % buckets;
    image.Write32(chainAt + 4 * i,
                  static_cast<std::uint32_t>(image.Read(bucketAt + 4 * bucket, 4)));
    image.Write32(bucketAt + 4 * bucket, static_cast<std::uint32_t>(i));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: RenameElfSymbol FILE FROM TO\n";
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw Failure{"cannot read the file"};
    Image image(std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}));
    in.close();
    Rename(image, argv[2], argv[3]);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.Bytes().data()),
              static_cast<std::streamsize>(image.Bytes().size()));
    if (!out) throw Failure{"cannot write the file"};
  } catch (const Failure& failure) {
    std::cerr << "RenameElfSymbol: " << argv[1] << ": " << failure.message << "\n";
    return 1;
  }
  return 0;
}
