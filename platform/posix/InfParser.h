// Reader of INF files for the setup stand-ins (not part of the platform interface).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat::inf {

struct Line {
    std::u16string key;                // empty for a line without "="
    std::vector<std::u16string> fields;  // values after "=", or the whole line as field 1
};

struct Section {
    std::u16string name;
    std::vector<Line> lines;
};

class InfFile {
public:
    // Parses text (strings substituted from [Strings]).
    static InfFile Parse(std::u16string_view text);
    // Reads and parses a file given by its Windows path; nullopt when unreadable.
    static std::optional<InfFile> Load(std::u16string_view winPath);

    const Section* Find(std::u16string_view name) const;
    // Value of key in section: first field, or empty.
    std::u16string Value(std::u16string_view section, std::u16string_view key) const;
    // True when the [Version] signature is "$Windows NT$", "$Chicago$" or "$Windows 95$".
    bool IsWin4Style() const;

    const std::vector<Section>& Sections() const { return m_sections; }

private:
    std::vector<Section> m_sections;
};

// Decodes INF bytes: UTF-16LE with FF FE, UTF-8 with EF BB BF, else code page 1252.
std::u16string DecodeText(const std::vector<unsigned char>& bytes);

}  // namespace plat::inf
