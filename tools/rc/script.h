// The resource compiler's script and table: parsing a resource script, with every file it names
// read through a reader the caller gives, checking each bitmap, and writing the C++ source of the
// table that is linked into a program.
//
// Script lines: NAME TYPE LANGUAGE FILE, where TYPE is BITMAP (2) or a number, LANGUAGE a number
// and FILE a path relative to the script; '#' starts a comment.
//
// Called by: the orvane_rc tool (files from disk) and the parser's fuzz target (made-up files).
// Guarantees: any fault throws a Fault whose message is one line, "SCRIPT:LINE: what" for a
// fault of a line or of the file it names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rc {

struct Fault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Entry {
  std::string name;
  unsigned type;
  unsigned language;
  std::vector<std::uint8_t> packed;  // a bitmap without its file header; other types as they are
};

// Reads one file the script names. `where` ("SCRIPT:LINE: ") begins the message of any Fault.
using FileReader =
    std::function<std::vector<std::uint8_t>(const std::filesystem::path&, const std::string&)>;

// Reads a file from disk; a file that cannot be opened or read, or a folder, is a Fault.
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path, const std::string& where);

// Parses a script's text. `script` names it in messages and is the folder FILEs are relative to.
std::vector<Entry> ParseScript(std::string_view text, const std::filesystem::path& script,
                               const FileReader& read);

// Reads the script from disk and parses it, reading the files it names with ReadFile.
std::vector<Entry> ReadScript(const std::filesystem::path& script);

// Writes the table's C++ source; a Fault when it cannot be written.
void WriteTable(const std::vector<Entry>& entries, const std::filesystem::path& output);

}  // namespace rc
