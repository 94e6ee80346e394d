// Holds a file open for a while, as a virus scanner, the search indexer or a sync client does with
// a file that has just been written:
//   file_holder PATH SHARE MS EVENT
// opens PATH for reading, sharing read access only (SHARE "r") or read and write access but not
// deletion (SHARE "rw"), sets the inherited event whose handle value EVENT is once it holds the
// file, holds it MS milliseconds and ends with 0. Ends with 1 when it cannot open the file.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const DWORD share =
      std::strcmp(argv[2], "rw") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  const DWORD hold = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  HANDLE ready =
      reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(argv[4], nullptr, 10)));
  HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  ::SetEvent(ready);
  ::Sleep(hold);
  ::CloseHandle(file);
  return 0;
}
