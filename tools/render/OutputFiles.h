#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace brisko::render {

// True when both paths name the same existing file (the same path, a hard
// link or a symbolic link to it).
bool sameFile(const std::string& a, const std::string& b);

// The files one run writes. Each is written to a temporary file in its
// destination's folder; commit() renames them all into place once every one
// is complete. Until then, and when the run fails or is interrupted, the
// temporaries are removed and no destination is touched.
class OutputFiles {
 public:
  OutputFiles();
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // Creates the temporary file for `destination` and answers its path, or
  // an empty string with `error` set.
  std::string create(const std::string& destination, std::string& error);
  // Opens the temporary file of `destination` (made by create) for writing.
  std::FILE* open(const std::string& temporary, std::string& error);
  bool commit(std::string& error);
  void discard();

 private:
  struct Entry {
    std::string temporary;
    std::string destination;
  };
  std::vector<Entry> entries_;
};

}  // namespace brisko::render
