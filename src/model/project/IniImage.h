#pragma once
// An in-memory image of an INI-style text file: read, changed and written back
// with the order of its sections and entries kept.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/AtomicFile.h"

class TIniImage {
 public:
  // Replaces the image by the sections of Text. Lines end at LF, CR LF or a
  // lone CR and are trimmed of bytes up to 0x20; empty lines, lines starting
  // with ';' and lines before the first "[name]" line are dropped. A line with
  // '=' is an entry (key and value trimmed); one without is kept as it is but
  // has no key. A leading UTF-8 byte order mark is skipped.
  void LoadFromText(const std::string& Text);
  // The same with a file's content; a missing file gives an empty image. A
  // file that cannot be read throws EFileError and leaves the image as it was.
  void LoadFromFile(const std::string& Path);
  // Replaces the file with Text() as a whole (TAtomicFile); throws EFileError
  // when it cannot be written, leaving the file as it was.
  void SaveToFile(const std::string& Path) const;

  // Each section as its "[name]" line, its lines ("key=value" or the kept
  // line) and an empty line; every line ended by CR LF.
  std::string Text() const;

  // Sections and keys are compared without regard to ASCII case. Where a
  // section occurs twice, or a key twice in a section, the last one counts.
  bool SectionExists(const std::string& Section) const;
  bool ValueExists(const std::string& Section, const std::string& Key) const;

  std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const;
  // Decimal digits with an optional sign, or "0x"/"0X" and 1 to 8 hexadecimal
  // digits; the value must fit 32 bits signed (so "0x80000000" and above are
  // invalid). Any other text gives Default and, unlike a missing key, the Warn
  // entry "Cannot read number 'X' of key K in section S, using D.".
  std::int32_t ReadInteger(const std::string& Section, const std::string& Key, std::int32_t Default) const;
  // ReadInteger; any number but 0 is true.
  bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;
  // TryStrToFloat with the separator in use, else with '.' or ',' (a file
  // saved under another locale); any other text is read as ReadInteger's.
  double ReadFloat(const std::string& Section, const std::string& Key, double Default) const;

  // Replaces the value where the key stands; a new key goes to the end of its
  // section, a new section to the end of the image.
  void WriteString(const std::string& Section, const std::string& Key, const std::string& Value);
  void WriteInteger(const std::string& Section, const std::string& Key, std::int32_t Value);
  // "1" or "0".
  void WriteBool(const std::string& Section, const std::string& Key, bool Value);
  // GeneralFloatText with the settings in use.
  void WriteFloat(const std::string& Section, const std::string& Key, double Value);

  // The names of the sections in order, each name (without regard to case)
  // once, as spelt where it occurs first.
  std::vector<std::string> SectionNames() const;
  // The keys of the section's last occurrence in order, each once, as spelt
  // where it occurs first.
  std::vector<std::string> SectionKeys(const std::string& Section) const;

  // The text loaded last held a NUL byte: it is no text file.
  bool HeldNulByte() const { return NulByte; }

 private:
  struct TLine {
    bool HasKey = false;
    std::string Key;    // with HasKey
    std::string Value;  // the value, or the whole line without a key
  };
  struct TSection {
    std::string Name;
    std::vector<TLine> Lines;
    // Lower-cased key to the index of its last line.
    std::unordered_map<std::string, std::size_t> KeyIndex;
  };

  const TLine* FindLine(const std::string& Section, const std::string& Key) const;
  TSection& AddSection(const std::string& Name);
  static void AddLine(TSection& Section, TLine Line);

  std::vector<TSection> Sections;
  // Lower-cased section name to the index of its last occurrence.
  std::unordered_map<std::string, std::size_t> SectionIndex;
  bool NulByte = false;
};
