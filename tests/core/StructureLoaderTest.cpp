#include <gtest/gtest.h>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "common/Convert.h"
#include "structure/FramesDefinition.h"
#include "structure/NameHash.h"

namespace {

struct TLoaded {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TLogRecorder Log;
  std::unique_ptr<TFramesDefinition> Definition;

  explicit TLoaded(const std::string& Text) {
    Definition = std::make_unique<TFramesDefinition>(Dir.Write("test.structure", Text), Messages);
  }
  const TDefinitionEntry& operator[](std::size_t I) const { return Definition->Entries.at(I); }
  std::size_t Size() const { return Definition->Entries.size(); }
  // Log lines without the "Parsing ..." line, the file named without its folder.
  std::vector<std::string> Messages_() const {
    std::vector<std::string> L = Log.Lines();
    L.erase(L.begin());
    const std::string Path = Dir.File("test.structure");
    for (std::string& Line : L)
      if (const std::size_t At = Line.find(Path); At != std::string::npos)
        Line.replace(At, Path.size(), "test.structure");
    return L;
  }
};

const std::string ExampleFile = Lines({
    "; housekeeping layout",
    "[templates:0]",
    Row({"LIN", "VAR*0.5-40"}),
    "[BaseFrame:280]",
    Row({"0", "2", "NUMBER", "SYNC", "SYNC"}),
    Row({"2", "0,4", "NUMBER", "MODE", "MODE", "\"Mode\""}),
    Row({"2,4", "0,1", "BOOLEAN", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
    Row({"4", "1", "number", "TEMP", "<LIN>"}),
    Row({"-1", "0", "NUMBER", "TEMP_K", "TEMP&+273.15"}),
    Row({"5", "0,12", "HEX", "STATUS", "STATUS"}),
    Row({"10", "6", "TEXT", "NOTE", "NOTE"}),
    Row({"16", "100", "SUBFRAME", "SUB_HKSC", "SUB_HKSC"}),
    "[HKFrame:100]",
    Row({"0", "2", "NUMBER", "HK_V1", "HK_V1*2"}),
    "[ScienceFrame:100]",
    Row({"0", "2", "NUMBER", "SC_V1", "SC_V1"}),
    "[7:FirstFrame:100]",
    Row({"0", "1", "NUMBER", "FF_COUNT", "FF_COUNT"}),
});

// What a load gives: the flag, the table, the log and the conversion error.
struct TOutcome {
  bool Loaded = false;
  std::vector<TDefinitionEntry> Entries;
  std::vector<std::string> Log;
  std::string Error;
  bool operator==(const TOutcome&) const = default;
};

template <typename TSource>
TOutcome LoadOutcome(const TSource& Source) {
  TOutcome Out;
  std::vector<std::string> Messages;
  TLogRecorder Log;
  try {
    const TFramesDefinition D(Source, Messages);
    Out.Loaded = D.Loaded;
    Out.Entries = D.Entries;
  } catch (const EConvertError& Error) {
    Out.Error = Error.what();
  }
  Out.Log = Log.Lines();
  return Out;
}

}  // namespace

TEST(StructureLoader, ReadsTheExampleFileIntoHeaderAndVariableRows) {
  TLoaded L(ExampleFile);
  ASSERT_TRUE(L.Definition->Loaded);
  ASSERT_EQ(L.Size(), 16u);
  EXPECT_EQ(L[0].FrameName, "Unknown frame");
  EXPECT_EQ(L[0].VarName, "templates");
  EXPECT_EQ(L[0].Kind, ekFrame);
  EXPECT_EQ(L[1].VarName, "BaseFrame");
  EXPECT_EQ(L[1].ByteLen, 280);
  EXPECT_EQ(L[1].Mode, -1);
  EXPECT_EQ(L[2].FrameName, "BaseFrame");
  EXPECT_EQ(L[2].ByteLen, 2);
  EXPECT_TRUE(L[2].IsIdentity);
  EXPECT_EQ(L[3].BytePos, 2);
  EXPECT_EQ(L[3].BitLen, 4);
  EXPECT_EQ(L[3].DisplayName, "Mode");
  EXPECT_EQ(L[4].Kind, ekBoolean);
  EXPECT_EQ(L[4].BitPos, 4);
  EXPECT_EQ(L[5].Transform, "TEMP*0.5-40");
  EXPECT_FALSE(L[5].IsIdentity);
  EXPECT_EQ(L[6].BytePos, -1);
  EXPECT_EQ(L[7].ByteLen, 1);
  EXPECT_EQ(L[7].BitLen, 4);
  EXPECT_TRUE(L[7].IsHex);
  EXPECT_EQ(L[7].Kind, ekNumber);
  EXPECT_EQ(L[8].Kind, ekText);
  EXPECT_EQ(L[9].Kind, ekSubframe);
  EXPECT_EQ(L[9].DisplayName, "SUB_HKSC");
  EXPECT_EQ(L[15].FrameName, "FirstFrame");
  EXPECT_EQ(L[14].Mode, 7);
  EXPECT_EQ(L[14].VarName, "FirstFrame");
  EXPECT_EQ(L[14].FrameHash, DJBHash("FirstFrame"));
  EXPECT_EQ(L[15].NameHash, DJBHash("FF_COUNT"));
  EXPECT_EQ(L.Log.Lines(), (std::vector<std::string>{"[Info] Parsing " + L.Dir.File("test.structure") + " ...",
                                                     "[Info] Added Template: LIN = VAR*0.5-40"}));
}

TEST(StructureLoader, FindsFramesAndTheirLengths) {
  TLoaded L(ExampleFile);
  TFramesDefinition& D = *L.Definition;
  EXPECT_EQ(D.FindFrame("HKFrame"), 10);
  EXPECT_EQ(D.FindFrame("templates"), 0);  // no row has it as FrameName
  EXPECT_EQ(D.FindFrame("NO_RULE_FOUND"), 0);
  EXPECT_EQ(D.GetFrameLength("BaseFrame"), 280);
  EXPECT_EQ(D.GetFrameLength("Nothing"), 0);
  D.SetFrameLength("BaseFrame", 282);
  D.SetFrameLength("Nothing", 5);
  EXPECT_EQ(D.GetFrameLength("BaseFrame"), 282);
  EXPECT_EQ(L.Messages_(),
            (std::vector<std::string>{"[Info] Added Template: LIN = VAR*0.5-40", "[Error] Unknown frame: templates"}));
}

TEST(StructureLoader, WarnsAboutLinesWithTheWrongNumberOfFields) {
  TLoaded L(Lines({
      Row({"lonely"}),
      "[F:10]",
      Row({"a", "b"}),
      Row({"1", "2", "3"}),
      Row({"1", "2", "3", "4"}),
      Row({"1", "2", "NUMBER", "A", "A", "A", "A"}),
      Row({"stray"}),
      Row({"0", "1", "NUMBER", "B", "B"}),
  }));
  EXPECT_TRUE(L.Definition->Loaded);
  EXPECT_EQ(L.Size(), 2u);
  EXPECT_EQ(L.Messages_(), (std::vector<std::string>{
                               "[Warn] Wrong amount of fields in line 1 (1), ignoring for Frame \"\" ! "
                               "(test.structure, line 1)",
                               "[Warn] Wrong amount of fields in line 3 (2), ignoring! (test.structure, line 3)",
                               "[Warn] Wrong amount of fields in line 4 (3), ignoring! (test.structure, line 4)",
                               "[Warn] Wrong amount of fields in line 5 (4), ignoring! (test.structure, line 5)",
                               "[Warn] Wrong amount of fields in line 6 (7), ignoring! (test.structure, line 6)",
                               "[Warn] Wrong amount of fields in line 7 (1), ignoring for Frame \"F\" ! "
                               "(test.structure, line 7)",
                           }));
}

TEST(StructureLoader, StopsAtASectionWithoutLength) {
  TLoaded L(Lines(
      {"[A:10]", Row({"0", "1", "NUMBER", "X", "X"}), "[BaseFrame]", Row({"0", "1", "NUMBER", "Y", "Y"}), "[B:x]"}));
  EXPECT_FALSE(L.Definition->Loaded);
  EXPECT_EQ(L.Size(), 2u);
  EXPECT_EQ(L[0].FrameHash, 0u);
  EXPECT_EQ(L.Messages_(),
            (std::vector<std::string>{
                "[Error] No framelength found in [BaseFrame], frame definition not loaded! (test.structure, line 3)"}));
}

TEST(StructureLoader, StopsAtASectionWithTooManyParts) {
  TLoaded L(Lines({"[1:2:3:4]", "[A:10]"}));
  EXPECT_FALSE(L.Definition->Loaded);
  EXPECT_EQ(L.Size(), 0u);
  EXPECT_EQ(L.Messages_(),
            (std::vector<std::string>{"[Error] Invalid definition of [1:2:3:4], either [<name>:<length>] or "
                                      "[<mode>:<name>:<length>]! (test.structure, line 1)"}));
}

TEST(StructureLoader, ReadsSectionLinesByTheirParts) {
  TLoaded L(Lines({"[First Frame:100]", "[7:Mode Frame:0,16]", "['a:b':5]", "[]:3:]"}));
  ASSERT_TRUE(L.Definition->Loaded);
  ASSERT_EQ(L.Size(), 4u);
  EXPECT_EQ(L[0].FrameName, "First Frame");
  EXPECT_EQ(L[0].Mode, -1);
  EXPECT_EQ(L[1].FrameName, "Mode Frame");
  EXPECT_EQ(L[1].Mode, 7);
  EXPECT_EQ(L[1].ByteLen, 0);  // frame lengths are not normalised
  EXPECT_EQ(L[1].BitLen, 16);
  EXPECT_EQ(L[2].FrameName, "'a:b'");
  EXPECT_EQ(L[3].FrameName, "]");
  EXPECT_EQ(L[3].ByteLen, 3);
}

TEST(StructureLoader, DropsVariablesOfUnknownTypeAndGoesOn) {
  TLoaded L(Lines({"[F:10]", Row({"0", "1", "FLOAT", "A", "A"}), Row({"0", "1", " NUMBER", "B", "B"}),
                   Row({"0", "1", "number", "C", "C"}), Row({"0", "1", "Time", "D", "D"})}));
  EXPECT_TRUE(L.Definition->Loaded);
  ASSERT_EQ(L.Size(), 3u);
  EXPECT_EQ(L[1].VarName, "C");
  EXPECT_TRUE(L[2].IsTime);
  EXPECT_EQ(L.Messages_(), (std::vector<std::string>{
                               "[Warn] Wrong variable type (FLOAT) in line 2, ignoring! (test.structure, line 2)",
                               "[Warn] Wrong variable type ( NUMBER) in line 3, ignoring! (test.structure, line 3)"}));
}

TEST(StructureLoader, WarnsOncePerPairOfNamesThatShareAHash) {
  // "Ab" and "BA" share a hash, also as frame names.
  TLoaded L(Lines({"[F:10]", Row({"0", "1", "NUMBER", "Ab", "Ab"}), Row({"1", "1", "NUMBER", "BA", "BA"}),
                   Row({"2", "1", "NUMBER", "BA", "BA"}), Row({"3", "1", "NUMBER", "Ba", "Ba"}), "[Ab:2]",
                   Row({"0", "1", "NUMBER", "BA", "BA"}), "[BA:2]"}));
  const std::string Hash = std::to_string(DJBHash("Ab"));
  EXPECT_EQ(L.Messages_(),
            (std::vector<std::string>{
                "[Warn] Names Ab and BA of frame F share the hash " + Hash + "; they are treated as one variable.",
                "[Warn] Names Ab and BA of frame Ab share the hash " + Hash + "; they are treated as one variable.",
                "[Warn] Frame names Ab and BA share the hash " + Hash + "; they are treated as one frame."}));
}

TEST(StructureLoader, FailsWithTheConversionErrorForNonIntegers) {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TLogRecorder Log;
  const auto Load = [&](const std::string& Text) { TFramesDefinition D(Dir.Write("bad.structure", Text), Messages); };
  for (const auto& [Text, Bad] : std::vector<std::pair<std::string, std::string>>{
           {Lines({"[F:10]", Row({"2 ,4", "1", "NUMBER", "A", "A"})}), "2 "},
           {Lines({"[F:10]", Row({"0", "1.5", "NUMBER", "A", "A"})}), "1.5"},
           {Lines({"[seven:F:10]"}), "seven"},
           {Lines({"[F:4294967296]"}), "4294967296"}}) {
    try {
      Load(Text);
      ADD_FAILURE() << Text;
    } catch (const EConvertError& Error) {
      EXPECT_EQ(std::string(Error.what()), "'" + Bad + "' is not a valid integer value");
    }
  }
}

TEST(StructureLoader, NormalisesPositionsAndLengthsOfVariables) {
  TLoaded L(Lines({"[F:10]", Row({"9,12", "0,16", "NUMBER", "A", "A"})}));
  EXPECT_EQ(L[1].BytePos, 10);
  EXPECT_EQ(L[1].BitPos, 4);
  EXPECT_EQ(L[1].ByteLen, 2);
  EXPECT_EQ(L[1].BitLen, 0);
}

TEST(StructureLoader, CutsCommentsAndCountsEveryLine) {
  TLoaded L(Lines({"; comment", "", "[F:10]; trailing", Row({"0", "1", "NUMBER", "A", "A;B"}), Row({"x"}) + "; y"}));
  ASSERT_EQ(L.Size(), 2u);
  EXPECT_EQ(L[0].VarName, "F");
  EXPECT_EQ(L[1].Transform, "A");
  EXPECT_EQ(L.Messages_(),
            (std::vector<std::string>{
                "[Warn] Wrong amount of fields in line 5 (1), ignoring for Frame \"F\" ! (test.structure, line 5)"}));
}

TEST(StructureLoader, ReadsCrLfLinesAndStopsAtTheEndMarker) {
  TLoaded L("[F:10]\r\n" + Row({"0", "1", "NUMBER", "A", "A"}) + "\r\n\x1A" + Row({"0", "1", "NUMBER", "B", "B"}));
  ASSERT_EQ(L.Size(), 2u);
  EXPECT_EQ(L[1].Transform, "A");
  EXPECT_TRUE(L[1].IsIdentity);
}

TEST(StructureLoader, GivesVariablesBeforeAnySectionAnEmptyFrameName) {
  TLoaded L(Lines({Row({"0", "1", "NUMBER", "A", "A"})}));
  ASSERT_EQ(L.Size(), 1u);
  EXPECT_EQ(L[0].FrameName, "");
}

TEST(StructureLoader, DequotesOnlyTransformAndDisplayName) {
  TLoaded L(Lines({"[F:10]", Row({"0", "1", "NUMBER", "\"A\"", "\"A*\"\"2\"\"\"tail", "\"Temp\tC\""}),
                   Row({"0", "1", "NUMBER", "B", "\"\"", "\"open"}), Row({"0", "1", "NUMBER", "C", "c", "'x\ty'"})}));
  ASSERT_EQ(L.Size(), 4u);
  EXPECT_EQ(L[1].VarName, "\"A\"");
  EXPECT_EQ(L[1].Transform, "A*\"2\"");
  EXPECT_EQ(L[1].DisplayName, "Temp\tC");
  EXPECT_EQ(L[2].Transform, "\"\"");
  EXPECT_EQ(L[2].DisplayName, "open");
  EXPECT_EQ(L[3].DisplayName, "'x\ty'");
  EXPECT_FALSE(L[3].IsIdentity);  // differs in case only
}

TEST(StructureLoader, ExpandsTemplatesDefinedOnEarlierLines) {
  TLoaded L(Lines({"[templates:0]", Row({"K", "VAR+VARIANT"}), Row({"0", "1", "NUMBER", "T1", "<Q>"}),
                   Row({"Q", "\"VAR\"*2"}), Row({"Q", "unused"}), "[F:10]", Row({"0", "1", "NUMBER", "A", "<K>*<K>"}),
                   Row({"0", "1", "NUMBER", "B", "<Q>+1"}), Row({"0", "1", "NUMBER", "C", "<k>"}),
                   Row({"0", "1", "NUMBER", "D", "x>1<K>"})}));
  ASSERT_EQ(L.Size(), 7u);
  EXPECT_EQ(L[1].FrameName, "templates");
  EXPECT_EQ(L[1].Transform, "<Q>");
  EXPECT_EQ(L[3].Transform, "A+AIANT*A+AIANT");
  EXPECT_EQ(L[4].Transform, "\"B\"*2+1");
  EXPECT_EQ(L[5].Transform, "<k>");
  EXPECT_EQ(L[6].Transform, "x>1<K>");  // ">" before "<": the tag is empty
}

TEST(StructureLoader, ExpandsTemplatesInTheTransformCutTo255Characters) {
  const std::string Prefix(252, 'A');
  TLoaded L(Lines({"[templates:0]", Row({"LIN", "ZZZ"}), "[F:10]", Row({"0", "1", "NUMBER", "V", Prefix + "<LIN>"}),
                   Row({"0", "1", "NUMBER", "W", "<LIN>" + Prefix})}));
  EXPECT_EQ(L[2].Transform, Prefix + "<LI");
  EXPECT_EQ(L[3].Transform, "ZZZ" + Prefix.substr(0, 250));
}

TEST(StructureLoader, CutsTextsTo255Characters) {
  const std::string Long(300, 'N');
  TLoaded L(Lines({"[" + Long + ":10]", Row({"0", "1", "NUMBER", Long, Long})}));
  ASSERT_EQ(L.Size(), 2u);
  EXPECT_EQ(L[0].FrameName.size(), 255u);
  EXPECT_EQ(L[1].FrameName.size(), 255u);
  EXPECT_EQ(L[1].VarName.size(), 255u);
  EXPECT_EQ(L[1].DisplayName.size(), 255u);
  EXPECT_TRUE(L[1].IsIdentity);
}

TEST(StructureLoader, RefusesMoreRowsThanNodesCanReferTo) {
  std::string Text = "[F:10]\n";
  for (int I = 0; I < 32766; ++I) Text += Row({"0", "1", "NUMBER", "V" + std::to_string(I), "x"}) + "\n";
  {
    TLoaded L(Text);
    EXPECT_TRUE(L.Definition->Loaded);
    EXPECT_EQ(L.Size(), 32767u);
  }
  {
    // Lines that add no row are handled as usual on a full table.
    TLoaded L(Text + Row({"0", "1", "FLOAT", "Dropped", "x"}) + "\n" + "[NoLength]\n");
    EXPECT_EQ(L.Messages_(),
              (std::vector<std::string>{"[Warn] Wrong variable type (FLOAT) in line 32768, ignoring! "
                                        "(test.structure, line 32768)",
                                        "[Error] No framelength found in [NoLength], frame definition not loaded! "
                                        "(test.structure, line 32769)"}));
  }
  TLoaded L(Text + Row({"0", "1", "NUMBER", "Last", "x"}) + "\n");
  EXPECT_FALSE(L.Definition->Loaded);
  EXPECT_EQ(L.Messages_(),
            (std::vector<std::string>{"[Error] Too many entries in structure file, frame definition not loaded! "
                                      "(test.structure, line 32768)"}));
}

TEST(StructureLoader, ReportsAFileThatCannotBeRead) {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TLogRecorder Log;
  TFramesDefinition D(Dir.File("missing.structure"), Messages);
  EXPECT_FALSE(D.Loaded);
  EXPECT_TRUE(
      Log.Has(llError, "Structurefile does not exist or cannot be opened! (" + Dir.File("missing.structure") + ")"));
}

TEST(StructureLoader, LoadsATextInMemoryAsTheFileOfThatText) {
  TTempDir Dir;
  for (const std::string& Text :
       {ExampleFile, Lines({Row({"lonely"}), "[F:10]", Row({"0", "1", "FLOAT", "A", "A"}), Row({"1", "2", "3"})}),
        "[F:10]\r\n" + Row({"0", "1", "NUMBER", "A", "A"}) + "\r\n\x1A" + Row({"0", "1", "NUMBER", "B", "B"}),
        std::string("[F:10]\n0\t1\tNUMBER\tA\0B\tA\n", 24), Lines({"[A:10]", "[B:x]"}),
        Lines({"[F:10]", Row({"0", "1.5", "NUMBER", "A", "A"})})}) {
    const std::string File = Dir.Write("m.structure", Text);
    const TOutcome FromFile = LoadOutcome(File);
    EXPECT_EQ(LoadOutcome(TStructureText{Text, File}), FromFile) << Text;
  }
}
