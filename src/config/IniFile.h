#pragma once

#include <string>

// A Windows-style profile (INI) file, read and written the way the proxy and its tools always have:
// - a section starts at a line "[name]" (blanks before "[" and around the name do not count); a key line is
//   "name=value" (blanks around the name and the value do not count); anything else is kept as it stands;
// - section and key names match without regard to letter case; the first section of a name and the first key
//   of a name in it are the ones used; lines before the first section belong to no section;
// - a value read loses one pair of enclosing quotation marks (" or ') and is cut to 2047 bytes;
// - writing replaces the key's line where it stands, or adds the key after the last line of its section, or
//   appends the section at the end of the file; every other line is kept byte for byte. Lines written end in
//   CR LF.
// Every call goes to the file itself; there is no copy in memory. A write replaces the file atomically
// (see writeFileAtomically), so a failed write leaves it as it was; the error says "Unable to write to <path>".
// A file that exists but cannot be read reads like a missing file, and cannot be written.
class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    void writeString(const std::string& section, const std::string& key, const std::string& value);

    // Decimal, or hexadecimal after "0x", "0X" or "$"; text that is not a whole number gives the default.
    int readInteger(const std::string& section, const std::string& key, int defaultValue) const;
    void writeInteger(const std::string& section, const std::string& key, int value);

    // An integer that is not 0; written as "1" or "0".
    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;
    void writeBool(const std::string& section, const std::string& key, bool value);

    // Makes sure everything written has reached the disk.
    void flush();

    // The longest value a read returns, in bytes.
    static constexpr std::size_t kMaxValueLength = 2047;

private:
    std::string path_;
};
