#include "project/IniImage.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "common/AsciiCase.h"
#include "common/AsciiChars.h"
#include "common/Convert.h"
#include "common/FloatText.h"
#include "common/Log.h"

namespace {

bool ParseInteger(const std::string& Text, std::int32_t& Value) {
  const std::string_view Digits(Text);
  const bool Hex = Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X');
  const bool Signed = !Hex && !Text.empty() && (Text[0] == '-' || Text[0] == '+');
  const std::optional<std::int32_t> Parsed = Hex ? IntegerOfDigits(Digits.substr(2), 16, false)
                                                 : IntegerOfDigits(Digits.substr(Signed), 10, Signed && Text[0] == '-');
  if (Parsed) Value = *Parsed;
  return Parsed.has_value();
}

void WarnUnreadable(const std::string& Section, const std::string& Key, const std::string& Text, double Default) {
  AddEntry(llWarn, "Cannot read number '" + ShownText(Text) + "' of key " + Key + " in section " + Section +
                       ", using " + GeneralFloatText(Default) + ".");
}

}  // namespace

void TIniImage::LoadFromText(const std::string& Text) {
  TIniImage Image;
  std::size_t I = Text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (I < Text.size()) {
    std::size_t End = Text.find_first_of("\r\n", I);
    if (End == std::string::npos) End = Text.size();
    const std::string Line = Trimmed(std::string_view(Text).substr(I, End - I));
    I = End + (Text.compare(End, 2, "\r\n") == 0 ? 2 : 1);

    if (Line.empty() || Line[0] == ';') continue;
    if (Line.size() >= 2 && Line.front() == '[' && Line.back() == ']') {
      Image.AddSection(Trimmed(std::string_view(Line).substr(1, Line.size() - 2)));
      continue;
    }
    if (Image.Sections.empty()) continue;
    const std::size_t Equals = Line.find('=');
    TLine Entry;
    if (Equals == std::string::npos) {
      Entry.Value = Line;
    } else {
      Entry.HasKey = true;
      Entry.Key = Trimmed(std::string_view(Line).substr(0, Equals));
      Entry.Value = Trimmed(std::string_view(Line).substr(Equals + 1));
    }
    AddLine(Image.Sections.back(), std::move(Entry));
  }
  Image.NulByte = Text.find('\0') != std::string::npos;
  *this = std::move(Image);
}

void TIniImage::LoadFromFile(const std::string& Path) {
  std::FILE* File = std::fopen(Path.c_str(), "rb");
  if (!File) {
    if (errno != ENOENT && errno != ENOTDIR) throw EFileError("Cannot open file \"" + Path + "\".");
    *this = TIniImage();
    return;
  }
  std::string Content;
  char Buffer[65536];
  std::size_t Count = 0;
  while ((Count = std::fread(Buffer, 1, sizeof Buffer, File)) > 0) Content.append(Buffer, Count);
  const bool Failed = std::ferror(File) != 0;
  std::fclose(File);
  if (Failed) throw EFileError("Cannot open file \"" + Path + "\".");
  LoadFromText(Content);
}

void TIniImage::SaveToFile(const std::string& Path) const {
  TAtomicFile File(Path);
  const std::string Content = Text();
  File.Stream().write(Content.data(), static_cast<std::streamsize>(Content.size()));
  File.Commit();
}

std::string TIniImage::Text() const {
  std::string Out;
  for (const TSection& Section : Sections) {
    Out += "[" + Section.Name + "]\r\n";
    for (const TLine& Line : Section.Lines) Out += (Line.HasKey ? Line.Key + "=" + Line.Value : Line.Value) + "\r\n";
    Out += "\r\n";
  }
  return Out;
}

bool TIniImage::SectionExists(const std::string& Section) const { return SectionIndex.count(AsciiLower(Section)) > 0; }

bool TIniImage::ValueExists(const std::string& Section, const std::string& Key) const {
  return FindLine(Section, Key) != nullptr;
}

std::string TIniImage::ReadString(const std::string& Section, const std::string& Key,
                                  const std::string& Default) const {
  const TLine* Line = FindLine(Section, Key);
  return Line ? Line->Value : Default;
}

std::int32_t TIniImage::ReadInteger(const std::string& Section, const std::string& Key, std::int32_t Default) const {
  const TLine* Line = FindLine(Section, Key);
  std::int32_t Value = Default;
  if (!Line || ParseInteger(Line->Value, Value)) return Value;
  WarnUnreadable(Section, Key, Line->Value, Default);
  return Default;
}

bool TIniImage::ReadBool(const std::string& Section, const std::string& Key, bool Default) const {
  return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

double TIniImage::ReadFloat(const std::string& Section, const std::string& Key, double Default) const {
  const TLine* Line = FindLine(Section, Key);
  double Value = Default;
  if (!Line || TryStrToFloat(Line->Value, Value) || TryStrToFloat(Line->Value, Value, '.') ||
      TryStrToFloat(Line->Value, Value, ','))
    return Value;
  WarnUnreadable(Section, Key, Line->Value, Default);
  return Default;
}

void TIniImage::WriteString(const std::string& Section, const std::string& Key, const std::string& Value) {
  const auto Found = SectionIndex.find(AsciiLower(Section));
  TSection& Target = Found != SectionIndex.end() ? Sections[Found->second] : AddSection(Section);
  const auto Line = Target.KeyIndex.find(AsciiLower(Key));
  if (Line != Target.KeyIndex.end()) {
    Target.Lines[Line->second].Value = Value;
    return;
  }
  TLine Entry;
  Entry.HasKey = true;
  Entry.Key = Key;
  Entry.Value = Value;
  AddLine(Target, std::move(Entry));
}

void TIniImage::WriteInteger(const std::string& Section, const std::string& Key, std::int32_t Value) {
  WriteString(Section, Key, std::to_string(Value));
}

void TIniImage::WriteBool(const std::string& Section, const std::string& Key, bool Value) {
  WriteString(Section, Key, Value ? "1" : "0");
}

void TIniImage::WriteFloat(const std::string& Section, const std::string& Key, double Value) {
  WriteString(Section, Key, GeneralFloatText(Value));
}

std::vector<std::string> TIniImage::SectionNames() const {
  std::vector<std::string> Names;
  std::unordered_set<std::string> Seen;
  for (const TSection& Section : Sections)
    if (Seen.insert(AsciiLower(Section.Name)).second) Names.push_back(Section.Name);
  return Names;
}

std::vector<std::string> TIniImage::SectionKeys(const std::string& Section) const {
  std::vector<std::string> Keys;
  const auto Found = SectionIndex.find(AsciiLower(Section));
  if (Found == SectionIndex.end()) return Keys;
  std::unordered_set<std::string> Seen;
  for (const TLine& Line : Sections[Found->second].Lines)
    if (Line.HasKey && Seen.insert(AsciiLower(Line.Key)).second) Keys.push_back(Line.Key);
  return Keys;
}

const TIniImage::TLine* TIniImage::FindLine(const std::string& Section, const std::string& Key) const {
  const auto Found = SectionIndex.find(AsciiLower(Section));
  if (Found == SectionIndex.end()) return nullptr;
  const TSection& Target = Sections[Found->second];
  const auto Line = Target.KeyIndex.find(AsciiLower(Key));
  return Line == Target.KeyIndex.end() ? nullptr : &Target.Lines[Line->second];
}

TIniImage::TSection& TIniImage::AddSection(const std::string& Name) {
  SectionIndex[AsciiLower(Name)] = Sections.size();
  Sections.push_back(TSection{Name, {}, {}});
  return Sections.back();
}

void TIniImage::AddLine(TSection& Section, TLine Line) {
  if (Line.HasKey) Section.KeyIndex[AsciiLower(Line.Key)] = Section.Lines.size();
  Section.Lines.push_back(std::move(Line));
}
