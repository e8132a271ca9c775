#include <gtest/gtest.h>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// A definition loaded from text and a frame image to decode with it.
struct TDecoder {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TNodePool Pool{&Image};
  TMemoryStream Image;
  std::unique_ptr<TQuorinFramesDefinition> Definition;

  explicit TDecoder(const std::string& Structure, std::vector<std::uint8_t> Bytes = std::vector<std::uint8_t>(64)) {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(Dir.Write("d.structure", Structure), Messages);
    Image.Bytes.assign(Bytes.begin(), Bytes.end());
  }
  // Where a message places its cause: the structure file and Line.
  std::string Place(int Line) const { return " (" + Dir.File("d.structure") + ", line " + std::to_string(Line) + ")"; }
  TDecodedNode* Decode(const std::string& Frame = "BaseFrame", std::int64_t At = 0) {
    Image.Position = At;
    return Definition->DecodeFrame(Image, Frame, Pool);
  }
  // Names of a list, with sub-frame contents in brackets.
  std::string Shape(const TDecodedNode* List) const {
    std::string Out;
    for (const TDecodedNode* N = List; N; N = N->Next) {
      Out += (Out.empty() ? "" : " ") + Definition->NodeVarName(*N);
      if (N->Child) Out += "[" + Shape(N->Child) + "]";
    }
    return Out;
  }
  const TDecodedNode* Find(const TDecodedNode* List, const std::string& Name) const {
    for (const TDecodedNode* N = List; N; N = N->Next)
      if (Definition->NodeVarName(*N) == Name) return N;
    return nullptr;
  }
};

std::string Var(const std::string& Pos, const std::string& Len, const std::string& Type, const std::string& Name,
                const std::string& Transform) {
  return Row({Pos, Len, Type, Name, Transform});
}

}  // namespace

TEST(DecodeFrame, StoresRawAndTransformedValuesPerKind) {
  std::vector<std::uint8_t> Bytes(64);
  Bytes[0] = 5;
  Bytes[1] = 0x80;
  Bytes[4] = 'H';
  Bytes[5] = 'i';
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "A", "A*2"), Var("0", "1", "NUMBER", "I", "I"),
                    Var("1", "0,1", "BOOLEAN", "B", "B*100"), Var("4", "3", "TEXT", "T", "T"),
                    Var("0", "1", "HEX", "H", "H/0")}),
             Bytes);
  TLogRecorder Log;
  const TDecodedNode* List = D.Decode("BaseFrame", 0);
  ASSERT_EQ(D.Shape(List), "A I B T H");
  EXPECT_EQ(List->RawValue, 5);
  EXPECT_EQ(List->Value, 10);
  EXPECT_EQ(List->Next->Value, 5);
  const TDecodedNode* B = D.Find(List, "B");
  EXPECT_EQ(B->RawValue, 1);
  EXPECT_EQ(B->Value, 1);
  const TDecodedNode* T = D.Find(List, "T");
  EXPECT_EQ(T->RawValue, 0);
  EXPECT_EQ(T->Value, -999);
  EXPECT_EQ(T->Position, 4);
  const TDecodedNode* H = D.Find(List, "H");
  EXPECT_EQ(H->RawValue, 5);
  EXPECT_EQ(H->Value, -999);
  EXPECT_EQ(H->DefIndex, 5);
  EXPECT_EQ(H->FrameIndex, 5);
  EXPECT_EQ(H->Stream(), &D.Image);
  EXPECT_EQ(D.Messages, (std::vector<std::string>{"Hi"}));
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Message] Hi", "[Warn] Parse error: H/0" + D.Place(6)}));

  // Decoding again adds the message again.
  Log.Clear();
  List = D.Decode("BaseFrame", 0);
  EXPECT_EQ(D.Find(List, "T")->RawValue, 1);
  EXPECT_EQ(D.Messages.size(), 2u);
  EXPECT_TRUE(Log.Has(llMessage, "Hi"));
}

TEST(DecodeFrame, ReadsRelativeToTheFrameStartAndRestoresTheStreamPosition) {
  std::vector<std::uint8_t> Bytes(64);
  Bytes[10] = 7;
  Bytes[12] = 9;
  TDecoder D(Lines({"[BaseFrame:10]", Var("0", "1", "NUMBER", "A", "A"), Var("2", "1", "NUMBER", "C", "C")}), Bytes);
  const TDecodedNode* List = D.Decode("BaseFrame", 10);
  EXPECT_EQ(D.Image.Position, 10);
  EXPECT_EQ(List->RawValue, 7);
  EXPECT_EQ(List->Position, 10);
  EXPECT_EQ(List->Next->RawValue, 9);
  EXPECT_EQ(List->Next->Position, 12);
}

TEST(DecodeFrame, EvaluatesComputedAndLaterVariablesOnDemand) {
  std::vector<std::uint8_t> Bytes(64);
  Bytes[4] = 100;
  TDecoder D(
      Lines({"[BaseFrame:64]", Var("-1", "0", "NUMBER", "TEMP_K", "TEMP&+273.15"),
             Var("4", "1", "NUMBER", "TEMP", "TEMP*0.5-40"), Var("-1", "0", "NUMBER", "RAWSUM", "TEMP+TEMP_K&")}),
      Bytes);
  TLogRecorder Log;
  const TDecodedNode* List = D.Decode();
  ASSERT_EQ(D.Shape(List), "TEMP_K TEMP RAWSUM");
  EXPECT_EQ(List->RawValue, -999);
  EXPECT_DOUBLE_EQ(List->Value, 283.15);
  EXPECT_EQ(List->Next->RawValue, 100);
  EXPECT_EQ(List->Next->Value, 10);
  EXPECT_DOUBLE_EQ(List->Next->Next->Value, 383.15);
  EXPECT_TRUE(Log.Entries.empty());
}

TEST(DecodeFrame, ReportsNamesWithoutAValue) {
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "0,1", "BOOLEAN", "B", "B"), Var("-1", "0", "NUMBER", "C", "C"),
                    Var("0", "1", "NUMBER", "X", "B&+1"), Var("0", "1", "NUMBER", "Y", "NOPE*2"),
                    Var("0", "1", "NUMBER", "Z", "C+1"), "[Other:4]", Var("0", "1", "NUMBER", "NOPE", "NOPE")}));
  TLogRecorder Log;
  const TDecodedNode* List = D.Decode();
  EXPECT_EQ(D.Find(List, "X")->Value, -999);
  EXPECT_EQ(D.Find(List, "Y")->Value, -999);
  EXPECT_EQ(D.Find(List, "Z")->Value, -999);
  // C's identity transform stores only C& (0); its plain name never gets a value.
  EXPECT_EQ(D.Find(List, "C")->Value, 0);
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{
                             "[Error] Parse error: Variable B& not found." + D.Place(4),
                             "[Error] Parse error for transform function: B&+1" + D.Place(4),
                             "[Warn] Parse error: B&+1" + D.Place(4),
                             "[Error] Could not fetch Variable: BaseFrame.NOPE" + D.Place(5),
                             "[Error] Parse error: Variable NOPE not found." + D.Place(5),
                             "[Error] Parse error for transform function: NOPE*2" + D.Place(5),
                             "[Warn] Parse error: NOPE*2" + D.Place(5),
                             "[Error] Parse error: Variable C not found." + D.Place(6),
                             "[Error] Parse error for transform function: C+1" + D.Place(6),
                             "[Warn] Parse error: C+1" + D.Place(6),
                         }));
}

TEST(DecodeFrame, NamesTheFailedExpressionWhenTransformsNest) {
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "A", "B&*2"), Var("0", "1", "NUMBER", "B", "B+")}));
  TLogRecorder Log;
  D.Decode();
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{
                             "[Error] Parse error for transform function: B+" + D.Place(3),
                             "[Warn] Parse error: B+" + D.Place(3),
                             "[Error] Parse error: Variable B& not found." + D.Place(2),
                             "[Error] Parse error for transform function: B&*2" + D.Place(2),
                             "[Warn] Parse error: B&*2" + D.Place(2),
                         }));
}

TEST(DecodeFrame, AbortsOnACrossDependencyAndGivesItsNodesBack) {
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "V", "V"), Var("0", "1", "NUMBER", "A", "B&+1"),
                    Var("0", "1", "NUMBER", "B", "A&+1")}));
  TLogRecorder Log;
  D.Pool.New();
  D.Image.Position = 8;
  EXPECT_THROW(D.Definition->DecodeFrame(D.Image, "BaseFrame", D.Pool), EDecodeAbort);
  EXPECT_EQ(D.Pool.Size(), 1u);
  EXPECT_EQ(D.Image.Position, 8);
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Error] Cross dependency for variable B detected!" + D.Place(3)}));
}

TEST(DecodeFrame, AllowsNineNestedEvaluationsButNotTen) {
  const auto Chain = [](int Length) {
    std::string Text = "[BaseFrame:64]\n";
    for (int I = 0; I + 1 < Length; ++I)
      Text += Var("0", "1", "NUMBER", "V" + std::to_string(I), "V" + std::to_string(I + 1) + "&+1") + "\n";
    return Text + Var("0", "1", "NUMBER", "V" + std::to_string(Length - 1), "1") + "\n";
  };
  TDecoder Nine(Chain(9));
  EXPECT_EQ(Nine.Decode()->Value, 9);
  TDecoder Ten(Chain(10));
  TLogRecorder Log;
  EXPECT_THROW(Ten.Decode(), EDecodeAbort);
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{"[Error] Cross dependency for variable V9 detected!" + Ten.Place(10)}));
}

TEST(DecodeFrame, ListsVariablesBeforeSubframesAndHidesTheEnclosingFrame) {
  std::vector<std::uint8_t> Bytes(64);
  Bytes[0] = 3;
  Bytes[20] = 4;
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "V1", "V1"), Var("20", "10", "SUBFRAME", "Inner", "x"),
                    Var("1", "1", "NUMBER", "V2", "V1*10"), "[Inner:10]", Var("0", "1", "NUMBER", "W", "W+V1")}),
             Bytes);
  TLogRecorder Log;
  const TDecodedNode* List = D.Decode();
  EXPECT_EQ(D.Shape(List), "V1 V2 Inner[W]");
  const TDecodedNode* Sub = List->Next->Next;
  EXPECT_EQ(Sub->Position, 20);
  EXPECT_EQ(Sub->DefIndex, 2);
  EXPECT_EQ(Sub->FrameIndex, 4);
  EXPECT_EQ(Sub->Child->Parent(), Sub);
  EXPECT_EQ(Sub->Child->Position, 20);
  EXPECT_EQ(Sub->Child->RawValue, 4);
  EXPECT_EQ(Sub->Child->Value, -999);
  EXPECT_EQ(D.Definition->NodeQualifiedName(*Sub->Child), "Inner.W");
  EXPECT_EQ(D.Definition->NodeQualifiedName(*List), "V1");
  EXPECT_EQ(D.Definition->VariableValue("V1"), 3);
  EXPECT_EQ(D.Image.Position, 0);
  EXPECT_TRUE(Log.Has(llError, "Parse error: Variable V1 not found." + D.Place(6)));
}

TEST(DecodeFrame, NamesOfOneHashAreOneVariableWhoseFirstValueStays) {
  std::vector<std::uint8_t> Bytes(64);
  Bytes[0] = 5;
  Bytes[1] = 7;
  // "Ab" and "BA" hash alike, and so do "Ab&" and "BA&".
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "Ab", "Ab*2"), Var("1", "1", "NUMBER", "BA", "BA+1"),
                    Var("-1", "0", "NUMBER", "SUM", "BA&+Ab")}),
             Bytes);
  const TDecodedNode* List = D.Decode();
  const TDecodedNode* BA = D.Find(List, "BA");
  EXPECT_EQ(BA->RawValue, 5);
  EXPECT_EQ(BA->Value, 10);
  EXPECT_EQ(D.Find(List, "SUM")->Value, 15);
  EXPECT_EQ(D.Definition->VariableValue("BA"), 5);
  EXPECT_EQ(D.Definition->VariableValue("NONE"), -999);
}

TEST(DecodeFrame, WarnsAboutSubframeBitOffsets) {
  TDecoder D(Lines(
      {"[BaseFrame:64]", Var("2,3", "1", "SUBFRAME", "Inner", "x"), "[Inner:1]", Var("0", "1", "NUMBER", "W", "W")}));
  TLogRecorder Log;
  EXPECT_EQ(D.Decode()->Position, 2);
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{
                "[Warn] Subframes must have absolute byte offsets and lengths, ignoring bit-part." + D.Place(2)}));
}

TEST(DecodeFrame, GivesAnUnknownFrameOneEmptyNode) {
  TDecoder D(Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "A", "A"), "[Empty:4]"}));
  TLogRecorder Log;
  for (const char* Frame : {"Nothing", "NO_RULE_FOUND"}) {
    const TDecodedNode* N = D.Decode(Frame, 6);
    ASSERT_NE(N, nullptr);
    EXPECT_EQ(N->Next, nullptr);
    EXPECT_EQ(N->DefIndex, 0);
    EXPECT_EQ(N->Position, 0);
    EXPECT_EQ(N->Stream(), &D.Image);
  }
  EXPECT_EQ(D.Decode("Empty"), nullptr);
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Error] Unknown frame: Nothing"}));
}

TEST(DecodeFrame, StopsSubframesThatContainThemselves) {
  TDecoder D(Lines({"[BaseFrame:8]", Var("0", "1", "SUBFRAME", "Loop", "x"), "[Loop:8]",
                    Var("0", "1", "NUMBER", "A", "A"), Var("1", "8", "SUBFRAME", "Loop", "x")}));
  TLogRecorder Log;
  const TDecodedNode* Node = D.Decode();
  int Levels = 0;
  for (; Node && Node->Child; Node = Node->Child->Next) ++Levels;
  EXPECT_EQ(Levels, 16);
  EXPECT_EQ(Node->Position, 16);
  EXPECT_EQ(D.Definition->NodeVarName(*Node), "Loop");
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{"[Error] Subframe nesting too deep in frame Loop, ignoring." + D.Place(5)}));
}

TEST(DecodeFrame, BoundsSubframesThatMultiplyWithEveryLevel) {
  // Two sub-frames per level, each selecting its own frame again: 2^16 leaves unbounded.
  TDecoder D(
      Lines({"[BaseFrame:8]", Var("0", "1", "SUBFRAME", "Loop", "x"), "[Loop:8]", Var("0", "1", "NUMBER", "A", "A"),
             Var("1", "8", "SUBFRAME", "Loop", "x"), Var("2", "8", "SUBFRAME", "Loop", "x")}));
  TLogRecorder Log;
  for (int Run = 0; Run < 2; ++Run) {
    Log.Clear();
    std::int64_t Decoded = 0;
    const auto Count = [&](const auto& Self, const TDecodedNode* List) -> void {
      for (const TDecodedNode* N = List; N; N = N->Next) {
        if (D.Definition->Entries[static_cast<std::size_t>(N->DefIndex)].Kind == ekSubframe && N->Child) ++Decoded;
        Self(Self, N->Child);
      }
    };
    Count(Count, D.Decode());
    // Each top-level decoding has its own budget.
    EXPECT_EQ(Decoded, MaxSubframesPerFrame);
    EXPECT_TRUE(Log.Has(llError, "More than 256 subframes below frame BaseFrame, ignoring the rest."));
    EXPECT_LT(Log.Entries.size(), 2u * MaxSubframesPerFrame);
  }
}

TEST(SubFrameEvaluation, BaseClassHasNoRules) {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TLogRecorder Log;
  TFramesDefinition D(Dir.Write("d.structure", Lines({"[BaseFrame:4]"})), Messages);
  EXPECT_EQ(D.SubFrameEvaluation("SUB_HKSC"), "");
  EXPECT_EQ(Log.Lines().back(), "[Error] Virtual method TFramesDefinition.SubFrameEvaluation called.");
}

namespace {

// A BaseFrame whose selectors are 16-bit words at bytes 0, 2, 4 and 6.
TDecoder SelectorFrame(const std::string& Extra = "") {
  return TDecoder(Lines({"[BaseFrame:16]", Var("0", "2", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"),
                         Var("2", "2", "NUMBER", "MODE", "MODE"), Var("4", "2", "NUMBER", "SUBTYPE_ADC", "SUBTYPE_ADC"),
                         Var("6", "2", "NUMBER", "SUBTYPE_HEAT", "SUBTYPE_HEAT")}) +
                  Extra);
}

// The frame chosen for Subframe after a BaseFrame whose selectors are all Value.
std::string Select(TDecoder& D, const std::string& Subframe, int Value) {
  for (std::size_t I = 0; I < 8; I += 2) {
    D.Image.Bytes[I] = static_cast<std::uint8_t>(Value >> 8);
    D.Image.Bytes[I + 1] = static_cast<std::uint8_t>(Value);
  }
  D.Decode();
  return D.Definition->SubFrameEvaluation(Subframe);
}

// The frame chosen for Subframe when no selector is known: after a frame without rules.
std::string SelectWithoutVariables(TDecoder& D, const std::string& Subframe) {
  D.Decode("NO_RULE_FOUND");
  return D.Definition->SubFrameEvaluation(Subframe);
}

}  // namespace

TEST(SubFrameEvaluation, ChoosesHousekeepingOrScience) {
  TDecoder D = SelectorFrame();
  EXPECT_EQ(Select(D, "SUB_HKSC", 0), "ScienceFrame");
  EXPECT_EQ(Select(D, "SUB_HKSC", 1), "HKFrame");
  EXPECT_EQ(SelectWithoutVariables(D, "SUB_HKSC"), "HKFrame");
}

TEST(SubFrameEvaluation, ChoosesScienceFramesByMode) {
  TDecoder D = SelectorFrame();
  TLogRecorder Log;
  for (const int Mode : {19, 35, 67, 99}) EXPECT_EQ(Select(D, "SUB_SC", Mode), "ThermalMaperFrame");
  EXPECT_EQ(Select(D, "SUB_SC", 1), "TPProbePEN-TP-Frame");
  EXPECT_EQ(Select(D, "SUB_SC", 97), "TPProbePEN-TP-Frame");
  EXPECT_EQ(Select(D, "SUB_SC", 7), "FirstFrame");
  EXPECT_EQ(Select(D, "SUB_SC", 0xFF51), "ARMFrame");
  EXPECT_EQ(Select(D, "SUB_SC", 0xFF55), "HAMMERInsertionFrame");
  EXPECT_TRUE(Log.Entries.empty());
  EXPECT_EQ(Select(D, "SUB_SC", 2), "SUB_SC");
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Warn] No rule found for Science Frame Mode 2."}));
}

TEST(SubFrameEvaluation, PrefersModeSectionsOfTheStructureFile) {
  TDecoder D = SelectorFrame(Lines({"[7:MyFirst:100]", "[2:Two:4]"}));
  TLogRecorder Log;
  EXPECT_EQ(Select(D, "SUB_SC", 7), "MyFirst");
  EXPECT_EQ(Select(D, "SUB_SC", 2), "Two");
  EXPECT_TRUE(Log.Entries.empty());
}

TEST(SubFrameEvaluation, BuildsSubtypeFrameNames) {
  TDecoder D = SelectorFrame();
  EXPECT_EQ(Select(D, "SUB_ADC", 3), "ADC-Subframe-Type-3");
  EXPECT_EQ(Select(D, "SUB_ADC", 0), "ADC-Subframe-Type-0");
  EXPECT_EQ(Select(D, "SUB_HEAT", 242), "HEAT-Subframe-Type-2");
  EXPECT_EQ(Select(D, "SUB_HEAT", 241), "HEAT-Subframe-Type-1");
  EXPECT_EQ(Select(D, "SUB_HEAT", 3), "HEAT-Subframe-Type-3");
  EXPECT_EQ(Select(D, "SUB_HEAT", 244), "HEAT-Subframe-Type-244");
  EXPECT_EQ(Select(D, "SUB_HEAT", 4), "HEAT-Subframe-Type-4");
  EXPECT_EQ(SelectWithoutVariables(D, "SUB_ADC"), "ADC-Subframe-Type--999");
  EXPECT_EQ(D.Definition->SubFrameEvaluation("HKFrame"), "HKFrame");
}

TEST(SubFrameEvaluation, DecodesTheChosenFrameAndWarnsTwiceForAnUnknownMode) {
  std::vector<std::uint8_t> Bytes(16);
  Bytes[3] = 7;  // the BaseFrame's MODE; the science frame's own MODE (0) decides
  TDecoder D(Lines({"[BaseFrame:16]", Var("0", "2", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"),
                    Var("2", "2", "NUMBER", "MODE", "MODE"), Var("8", "8", "SUBFRAME", "SUB_HKSC", "x"),
                    "[ScienceFrame:8]", Var("0", "1", "NUMBER", "S", "S"), Var("2", "2", "NUMBER", "MODE", "MODE"),
                    Var("4", "4", "SUBFRAME", "SUB_SC", "x")}),
             Bytes);
  TLogRecorder Log;
  const TDecodedNode* List = D.Decode();
  EXPECT_EQ(D.Shape(List), "HK_SCIENCE_SWITCH MODE SUB_HKSC[S MODE SUB_SC[BaseFrame]]");
  const TDecodedNode* Sc = List->Next->Next->Child->Next->Next;
  EXPECT_EQ(Sc->FrameIndex, 0);
  EXPECT_EQ(D.Definition->NodeQualifiedName(*Sc), "ScienceFrame.BaseFrame");
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{
                             "[Warn] No rule found for Science Frame Mode 0.",
                             "[Error] Unknown frame: SUB_SC",
                             "[Warn] No rule found for Science Frame Mode 0.",
                             "[Error] Unknown frame: SUB_SC",
                         }));
}

TEST(DecodeFrame, TransformsLeftUntilAskedForGiveTheValuesLogAndMessagesOfAFullDecoding) {
  std::string Chains = Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "V0", "V0*2")});
  const auto Add = [](std::string& Rows, const std::string& Row) { Rows += Row + "\n"; };
  // A chain of transforms that can be left, asked for at the end of nine
  // nested evaluations: left ones are evaluated from a fresh budget.
  for (int I = 1; I <= 7; ++I)
    Add(Chains, Var("-1", "0", "NUMBER", "V" + std::to_string(I), "V" + std::to_string(I - 1) + "&+1"));
  for (int I = 0; I <= 7; ++I)
    Add(Chains, Var("-1", "0", "NUMBER", "W" + std::to_string(I), "W" + std::to_string(I + 1) + "&+1"));
  Add(Chains, Var("-1", "0", "NUMBER", "W8", "V7&+1"));
  // Asked for before its turn, one that fails at its turn, and one nobody asks for.
  Add(Chains, Var("-1", "0", "NUMBER", "E", "L&*3"));
  Add(Chains, Var("1", "1", "NUMBER", "L", "L+1"));
  Add(Chains, Var("4", "3", "TEXT", "T", "T"));
  Add(Chains, Var("2", "1", "NUMBER", "BAD", "V5&/(V0-V0)"));
  Add(Chains, Var("-1", "0", "NUMBER", "S", "V3&+L&"));
  // The raw name of a row without a field evaluates it again on every
  // lookup, so the tenth nested evaluation stops the decoding as before.
  std::string Budget = Lines({"[BaseFrame:64]", Var("-1", "0", "NUMBER", "X", "5")});
  for (int I = 0; I <= 7; ++I)
    Add(Budget, Var("0", "1", "NUMBER", "T" + std::to_string(I), "T" + std::to_string(I + 1) + "&"));
  Add(Budget, Var("0", "1", "NUMBER", "T8", "X"));
  // A row whose slot an earlier one of its name fills.
  const std::string Twice =
      Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "A", "A*0"), Var("1", "1", "NUMBER", "A", "A+1"),
             Var("-1", "0", "NUMBER", "R", "1/A&"), Var("2", "1", "NUMBER", "U", "U")});
  // "AaG" names no row, but its slot is that of "Ab&"; and a row named with "&".
  const std::string Collision =
      Lines({"[BaseFrame:64]", Var("0", "1", "NUMBER", "Ab", "Ab*2"), Var("1", "1", "NUMBER", "U", "AaG+1")});
  const std::string Ampersand =
      Lines({"[BaseFrame:64]", Var("0", "3", "NUMBER", "X&", "1"), Var("1", "1", "NUMBER", "T", "X&&")});
  struct TCase {
    std::string Structure;
    std::vector<std::string> Used;
    std::string Left;  // a row nobody asks for, whose value stays unknown
    bool Stops = false;
  };
  std::vector<std::uint8_t> Bytes(64);
  Bytes[0] = 5;
  Bytes[1] = 7;
  Bytes[4] = 'H';
  Bytes[32] = 6;
  Bytes[36] = 'I';
  for (const TCase& Case : {TCase{Chains, {"W0", "E", "T", "BAD"}, "S"}, TCase{Budget, {"T0"}, "", true},
                            TCase{Twice, {"U"}, ""}, TCase{Collision, {"U"}, ""}, TCase{Ampersand, {"T"}, ""}}) {
    TDecoder Full(Case.Structure, Bytes);
    std::vector<std::string> LeftMessages;
    const std::unique_ptr<TFramesDefinition> Left = Full.Definition->CopyFor(LeftMessages);
    TNodePool LeftPool{&Full.Image};
    std::vector<std::int32_t> Used;
    for (const std::string& Name : Case.Used)
      for (std::size_t Row = 0; Row < Left->Entries.size(); ++Row)
        if (Left->Entries[Row].VarName == Name) Used.push_back(static_cast<std::int32_t>(Row));
    Left->DeferUnused(Used);
    for (const std::int64_t At : {0, 32}) {
      const auto Decode = [&](TFramesDefinition& Definition, TNodePool& Pool, std::vector<std::string>& Log) {
        const TLogRecorder Recorder;
        const TDecodedNode* List = nullptr;
        try {
          List = Definition.DecodeFrame(Full.Image, At, "BaseFrame", Pool);
        } catch (const EDecodeAbort&) {
        }
        Log = Recorder.Lines();
        return List;
      };
      std::vector<std::string> FullLog, LeftLog;
      const TDecodedNode* FullList = Decode(*Full.Definition, Full.Pool, FullLog);
      const TDecodedNode* LeftList = Decode(*Left, LeftPool, LeftLog);
      ASSERT_EQ(FullList == nullptr, Case.Stops);
      ASSERT_EQ(LeftList == nullptr, Case.Stops);
      EXPECT_EQ(LeftLog, FullLog);
      if (Case.Stops) continue;
      EXPECT_EQ(Full.Shape(LeftList), Full.Shape(FullList));
      for (const std::string& Name : Case.Used) {
        EXPECT_EQ(Full.Find(LeftList, Name)->Value, Full.Find(FullList, Name)->Value) << Name;
        EXPECT_EQ(Full.Find(LeftList, Name)->RawValue, Full.Find(FullList, Name)->RawValue) << Name;
      }
      if (Case.Left.empty()) continue;
      EXPECT_NE(Full.Find(FullList, Case.Left)->Value, MissingValue);
      EXPECT_EQ(Full.Find(LeftList, Case.Left)->Value, MissingValue);
    }
    EXPECT_EQ(LeftMessages, Full.Messages);
  }
}
