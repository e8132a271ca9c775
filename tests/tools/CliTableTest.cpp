// vorex-cli table on demo data against the values decoded here, in its three
// formats read back by parsers of this test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "LogRecorder.h"
#include "RunCommand.h"
#include "StructureText.h"
#include "TempDir.h"
#include "TreesAgain.h"
#include "cli/TableCommand.h"
#include "cli/VarsCommand.h"
#include "project/Project.h"
#include "sim/SimGenerator.h"
#include "table/TableColumns.h"

namespace {

using TRow = std::vector<std::optional<std::string>>;  // nullopt: an absent cell

// RFC 4180 records; an empty unquoted field is absent.
std::vector<TRow> ParseCsv(const std::string& Text) {
  std::vector<TRow> Rows(1);
  std::string Field;
  bool Quoted = false, InQuotes = false;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (InQuotes) {
      if (C == '"' && I + 1 < Text.size() && Text[I + 1] == '"') Field += Text[++I];
      else if (C == '"') InQuotes = false;
      else Field += C;
    } else if (C == '"') {
      InQuotes = Quoted = true;
    } else if (C == ',' || C == '\n') {
      Rows.back().push_back(Field.empty() && !Quoted ? std::nullopt : std::optional(Field));
      Field.clear();
      Quoted = false;
      if (C == '\n') Rows.emplace_back();
    } else {
      Field += C;
    }
  }
  Rows.pop_back();
  return Rows;
}

// One JSON object of strings, numbers and nulls, as (name, value) pairs.
std::vector<std::pair<std::string, std::optional<std::string>>> ParseJsonObject(const std::string& Line) {
  std::vector<std::pair<std::string, std::optional<std::string>>> Members;
  std::size_t I = 1;
  const auto String = [&] {
    std::string S;
    for (++I; Line[I] != '"'; ++I) {
      if (Line[I] != '\\') {
        S += Line[I];
        continue;
      }
      const char E = Line[++I];
      if (E == 'u') {
        S += static_cast<char>(std::stoi(Line.substr(I + 1, 4), nullptr, 16));
        I += 4;
      } else {
        S += E == 't' ? '\t' : E == 'n' ? '\n' : E == 'r' ? '\r' : E;
      }
    }
    ++I;
    return S;
  };
  while (Line[I] != '}') {
    const std::string Name = String();
    EXPECT_EQ(Line[I++], ':');
    std::optional<std::string> Value;
    if (Line[I] == '"') {
      Value = String();
    } else {
      const std::size_t End = Line.find_first_of(",}", I);
      const std::string Token = Line.substr(I, End - I);
      if (Token != "null") Value = Token;
      I = End;
    }
    Members.emplace_back(Name, Value);
    if (Line[I] == ',') ++I;
  }
  return Members;
}

// Seconds since 1970 of a date and time of the UTC calendar.
std::time_t UtcSeconds(int Year, int Month, int Day, int Hour, int Minute, int Second) {
  std::tm Parts{};
  Parts.tm_year = Year - 1900;
  Parts.tm_mon = Month - 1;
  Parts.tm_mday = Day;
  Parts.tm_hour = Hour;
  Parts.tm_min = Minute;
  Parts.tm_sec = Second;
  return timegm(&Parts);
}

// The ISO text, cut to the millisecond, of Base plus Seconds.
std::string IsoText(std::time_t Base, const std::string& Seconds) {
  const long double Millis = std::floor((static_cast<long double>(Base) + std::stold(Seconds)) * 1000);
  const auto Whole = static_cast<std::time_t>(std::floor(Millis / 1000));
  std::tm Parts{};
  gmtime_r(&Whole, &Parts);
  char Text[32];
  const std::size_t Length = std::strftime(Text, sizeof Text, "%Y-%m-%dT%H:%M:%S", &Parts);
  std::snprintf(Text + Length, sizeof Text - Length, ".%03d", static_cast<int>(Millis - Whole * 1000.0L));
  return Text;
}

struct TDemo {
  TTempDir Dir;
  std::string S = std::string(VOREX_DEMO_DIR) + "/demo.structure";
  std::string P = Dir.File("demo.dat");
  TDemo() { EXPECT_TRUE(WriteDemoPacketFile(P, 120)); }

  std::string Table(std::vector<std::string> Options) const {
    Options.insert(Options.begin(), {S, P, P, P, "-q"});
    std::ostringstream Out, Err;
    EXPECT_EQ(TableCommand(Options, Out, Err), 0) << Err.str();
    return Out.str();
  }
};

}  // namespace

TEST(CliTable, WideRowsHoldTheFirstValueOfEveryQualifiedNameOfEachBaseFrame) {
  TDemo D;
  const std::vector<TRow> Rows = ParseCsv(D.Table({}));
  TLogRecorder Quiet;
  TProject Project;
  Project.Settings.StructureFile = D.S;
  Project.Settings.PacketFileA = Project.Settings.PacketFileB = D.P;
  Project.MorePacketFiles = {D.P};
  ASSERT_TRUE(Project.Load());
  const TFramesDefinition& Definition = *Project.Definition;
  ASSERT_EQ(Rows.size(), 1u + 3u * 120u);
  ASSERT_EQ(Project.Holders().size(), 3u);
  EXPECT_EQ(TTreesAgain(*Project.Holders()[2]).Roots.at(0)->Child->SerialNo,
            200000000);  // each file 100000000 above the one before
  const TRow& Header = Rows.front();
  ASSERT_EQ(std::vector<std::optional<std::string>>(Header.begin(), Header.begin() + 4),
            (TRow{"file", "frame", "serial", "time"}));
  EXPECT_NE(std::find(Header.begin(), Header.end(), "HKFrame.HK_TEMP1"), Header.end());
  EXPECT_NE(std::find(Header.begin(), Header.end(), "ScienceFrame.FirstFrame.FF_BOOT_COUNT"), Header.end());

  std::size_t RowIndex = 1;
  for (const TData* Data : Project.Holders()) {
    int Frame = 0;
    const TTreesAgain Trees(*Data);
    for (const TDecodedNode* Root : Trees.Roots) {
      // The expected cells, by the qualified names the browser shows.
      std::map<std::string, const TDecodedNode*> First;
      const auto Walk = [&](const auto& Self, const TDecodedNode* List) -> void {
        for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
          if (Node->Child) Self(Self, Node->Child);
          else First.emplace(Definition.NodeQualifiedName(*Node), Node);
        }
      };
      Walk(Walk, Root->Child);
      const TRow& Row = Rows[RowIndex];
      ASSERT_EQ(Row.size(), Header.size());
      EXPECT_EQ(Row[0], std::to_string(TProject::FileOf(*Data) + 1));
      EXPECT_EQ(Row[1], std::to_string(Frame));
      EXPECT_EQ(Row[2], std::to_string(Root->SerialNo));
      for (std::size_t C = 5; C < Header.size(); ++C) {
        const auto Found = First.find(*Header[C]);
        if (Found == First.end()) {
          EXPECT_FALSE(Row[C]) << *Header[C];
          continue;
        }
        ASSERT_TRUE(Row[C]) << *Header[C];
        const TDefinitionEntry& E = Definition.Entries[static_cast<std::size_t>(Found->second->DefIndex)];
        if (E.Kind == ekText)
          EXPECT_EQ(*Row[C], Project.Messages.at(static_cast<std::size_t>(Found->second->RawValue)));
        else EXPECT_EQ(std::strtod(Row[C]->c_str(), nullptr), Found->second->Value) << *Header[C];
      }
      ++Frame;
      ++RowIndex;
    }
  }
  EXPECT_EQ(RowIndex, Rows.size());
}

TEST(CliTable, TsvAndJsonLinesHoldTheCellsOfTheCsv) {
  TDemo D;
  const std::vector<TRow> Csv = ParseCsv(D.Table({"--vars", "SEQ_COUNT,*.HK_TEMP?,*.EVT_TEXT*"}));
  std::istringstream Tsv(D.Table({"--vars", "SEQ_COUNT,*.HK_TEMP?,*.EVT_TEXT*", "--format", "tsv"}));
  std::istringstream Jsonl(D.Table({"--vars", "SEQ_COUNT,*.HK_TEMP?,*.EVT_TEXT*", "--format=jsonl"}));
  std::string Line;
  for (std::size_t R = 0; std::getline(Tsv, Line); ++R) {
    ASSERT_LT(R, Csv.size());
    TRow Cells;
    std::size_t From = 0;
    for (std::size_t Tab; (Tab = Line.find('\t', From)) != std::string::npos; From = Tab + 1)
      Cells.push_back(Tab == From ? std::nullopt : std::optional(Line.substr(From, Tab - From)));
    Cells.push_back(From == Line.size() ? std::nullopt : std::optional(Line.substr(From)));
    EXPECT_EQ(Cells, Csv[R]) << Line;
  }
  std::size_t R = 1;
  for (; std::getline(Jsonl, Line); ++R) {
    const auto Members = ParseJsonObject(Line);
    ASSERT_EQ(Members.size(), Csv[0].size());
    for (std::size_t C = 0; C < Members.size(); ++C) {
      EXPECT_EQ(Members[C].first, Csv[0][C]);
      EXPECT_EQ(Members[C].second, Csv[R][C]) << Members[C].first;
    }
  }
  EXPECT_EQ(R, Csv.size());
}

TEST(CliTable, VarsListsTheVariableColumnsAndTheMetaLineGivesThemBeforeTheRows) {
  TDemo D;
  std::ostringstream Csv, Jsonl, Err;
  ASSERT_EQ(VarsCommand({D.S, "-q"}, Csv, Err), 0) << Err.str();
  ASSERT_EQ(VarsCommand({"--format", "jsonl", D.S, "-q"}, Jsonl, Err), 0) << Err.str();
  const std::vector<TRow> Vars = ParseCsv(Csv.str());
  const TRow Header = ParseCsv(D.Table({})).front();
  // The header row against file, frame, serial, time and datetime.
  ASSERT_EQ(Vars.size(), Header.size() - 4);
  EXPECT_EQ(Vars[0], (TRow{"name", "kind", "unit", "description", "transform"}));
  std::istringstream Lines(Jsonl.str());
  std::string Line, Selected;
  for (std::size_t R = 1; R < Vars.size(); ++R) {
    EXPECT_EQ(Vars[R][0], Header[R + 4]);
    ASSERT_TRUE(std::getline(Lines, Line));
    const auto Members = ParseJsonObject(Line);
    ASSERT_EQ(Members.size(), 5u);
    for (std::size_t C = 0; C < 5; ++C) EXPECT_EQ(Members[C].second.value_or(""), Vars[R][C].value_or(""));
    if (Vars[R][0]->starts_with("HKFrame.HK_TEMP")) Selected += (Selected.empty() ? "" : ",") + Line;
  }
  const std::string Rows = D.Table({"--format", "jsonl", "--vars", "HKFrame.HK_TEMP*"});
  EXPECT_EQ(D.Table({"--format", "jsonl", "--vars", "HKFrame.HK_TEMP*", "--meta"}),
            "{\"columns\":[" + Selected + "]}\n" + Rows);
}

TEST(CliTable, QuotesTextsAndWritesNonFiniteNumbersAsEachFormatNeeds) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Lines({"[BaseFrame:4]", Row({"0", "4", "TEXT", "NOTE", "NOTE"}),
                                                        Row({"-1", "0", "NUMBER", "BIG", "1E300*1E300"})}));
  const std::string P = Dir.Write("p.dat", std::string("ab\",\tc\n\xE9", 8));
  const auto Table = [&](const std::string& Format) {
    std::ostringstream Out, Err;
    TableCommand({S, P, "-q", "--format", Format, "--vars", "NOTE,BIG"}, Out, Err);
    return Out.str();
  };
  // The messages: "ba,\"" and "c\t\xE9\n".
  EXPECT_EQ(Table("csv"),
            "file,frame,serial,time,datetime,NOTE,BIG\n1,0,2,,,\"ba,\"\"\",inf\n1,1,5,,,\"c\t\xE9\n\",inf\n");
  EXPECT_EQ(Table("tsv"),
            "file\tframe\tserial\ttime\tdatetime\tNOTE\tBIG\n1\t0\t2\t\t\tba,\"\tinf\n1\t1\t5\t\t\tc \xE9 \tinf\n");
  EXPECT_EQ(Table("jsonl"),
            "{\"file\":1,\"frame\":0,\"serial\":2,\"time\":null,\"datetime\":null,\"NOTE\":\"ba,\\\"\",\"BIG\":null}\n"
            "{\"file\":1,\"frame\":1,\"serial\":5,\"time\":null,\"datetime\":null,\"NOTE\":\"c\\t\\u00e9\\n\",\"BIG\":"
            "null}\n");
}

TEST(CliTable, DatetimeIsTheOffsetTimePlusTheTimeInEveryLayout) {
  TDemo D;
  struct TCase {
    std::vector<std::string> Options;
    std::time_t Base;
  };
  const TCase Cases[] = {
      {{}, UtcSeconds(2003, 1, 1, 0, 0, 0)},
      {{"--offset-time", "2007-04-09 14:05:59"}, UtcSeconds(2007, 4, 9, 14, 5, 59)},
      {{"--offset-time=09.04.2007 14:05:59", "--layout", "long"}, UtcSeconds(2007, 4, 9, 14, 5, 59)}};
  for (const auto& [Options, Base] : Cases) {
    std::vector<std::string> Args = Options;
    Args.insert(Args.end(), {"--vars", "*PLOT_TIME"});
    const std::vector<TRow> Rows = ParseCsv(D.Table(Args));
    ASSERT_EQ(Rows.size(), 1u + 3u * 120u);
    // Long: file,frame,serial,datetime,name,raw,value; the value is the time.
    const bool Long = Rows[0][3] == "datetime";
    for (std::size_t R = 1; R < Rows.size(); ++R) {
      const std::optional<std::string>& Time = Rows[R][Long ? 6 : 3];
      ASSERT_TRUE(Time);
      EXPECT_EQ(Rows[R][Long ? 3 : 4], IsoText(Base, *Time)) << R;
    }
  }
  const TCommandResult R =
      RunCommand(std::string(VOREX_CLI) + " table " + Quoted(D.S) + " " + Quoted(D.P) + " --offset-time 2007-02-30");
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_EQ(R.Out, "");
  EXPECT_NE(R.Err.find("--offset-time: '2007-02-30' is not a valid date and time"), std::string::npos) << R.Err;
}

TEST(CliTable, PatternsMatchWholeNames) {
  const std::tuple<const char*, const char*, bool> Cases[] = {{"HKFrame.*", "HKFrame.HK_TEMP1", true},
                                                              {"*.HK_TEMP?", "HKFrame.HK_TEMP1", true},
                                                              {"*.HK_TEMP?", "HKFrame.HK_TEMP10", false},
                                                              {"HK*", "SC.HK_X", false},
                                                              {"*", "", true},
                                                              {"a*b*c", "aXbYbc", true},
                                                              {"a*b*c", "aXbYbd", false},
                                                              {"?", "", false}};
  for (const auto& [Pattern, Name, Matches] : Cases) EXPECT_EQ(MatchesPattern(Pattern, Name), Matches) << Pattern;
}

TEST(CliTable, RowRangesKeepTheRowsOfTheWholeTableTheyName) {
  TDemo D;
  // Each option against the rows of the whole table it keeps (wide: file, frame, serial, time).
  const auto Frame = [](const TRow& Row) { return std::stoll(*Row[1]); };
  const std::vector<std::pair<std::vector<std::string>, std::function<bool(const TRow&)>>> Cases = {
      {{"--frames", "10:20"}, [&](const TRow& Row) { return Frame(Row) >= 10 && Frame(Row) < 20; }},
      {{"--frames=117:"}, [&](const TRow& Row) { return Frame(Row) >= 117; }},
      {{"--frames", "7:90", "--threads", "4"}, [&](const TRow& Row) { return Frame(Row) >= 7 && Frame(Row) < 90; }},
      {{"--frames", ":3", "--layout", "long"}, [&](const TRow& Row) { return Frame(Row) < 3; }},
      {{"--frames", "5:5"}, [](const TRow&) { return false; }},
      // From inclusive, to exclusive; a datetime against the text of the column, to the millisecond.
      {{"--from", "1234010.0737457275", "--to=1234020"},
       [](const TRow& Row) { return std::stod(*Row[3]) >= 1234010.0737457275 && std::stod(*Row[3]) < 1234020; }},
      {{"--from", "2003-01-15 06:46:45.070", "--to", "2003-01-15 06:46:49.103", "--threads", "4"},
       [](const TRow& Row) { return *Row[4] >= "2003-01-15T06:46:45.070" && *Row[4] < "2003-01-15T06:46:49.103"; }},
      {{"--to", "2003-01-15 06:46:42", "--frames", "1:"},
       [&](const TRow& Row) { return Frame(Row) >= 1 && *Row[4] < "2003-01-15T06:46:42"; }},
      {{"--layout", "long", "--from", "2003-01-15 06:46:45.070", "--to", "1234030"},
       [](const TRow& Row) { return *Row[3] >= "2003-01-15T06:46:45.070" && *Row[3] < "2003-01-15T06:47:10"; }}};
  for (const auto& [Options, Keep] : Cases) {
    const bool Long = std::find(Options.begin(), Options.end(), "long") != Options.end();
    std::vector<TRow> Expected =
        ParseCsv(D.Table(Long ? std::vector<std::string>{"--layout", "long"} : std::vector<std::string>{}));
    Expected.erase(std::remove_if(Expected.begin() + 1, Expected.end(), [&](const TRow& Row) { return !Keep(Row); }),
                   Expected.end());
    EXPECT_EQ(ParseCsv(D.Table(Options)), Expected) << Options.front();
  }

  // The first BaseFrames of a file: its decoding ends pieces before the damage further on, which is not logged.
  const std::string Long = D.Dir.File("long.dat");
  ASSERT_TRUE(WriteDemoPacketFile(Long, 40000));
  std::string Data;
  {
    std::ifstream In(Long, std::ios::binary);
    Data.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  std::ofstream(Long, std::ios::binary) << Data.erase(10000017, 83);
  std::ostringstream Out, Err, WholeOut, WholeErr;
  EXPECT_EQ(TableCommand({D.S, Long, "-q", "--frames", "0:100"}, Out, Err), 0);
  EXPECT_TRUE(Err.str().empty()) << Err.str().substr(0, 200);
  EXPECT_EQ(ParseCsv(Out.str()).size(), 101u);
  TableCommand({D.S, Long, "-q"}, WholeOut, WholeErr);
  EXPECT_FALSE(WholeErr.str().empty());
}

TEST(CliTable, StandardInputAndGzipFilesGiveWhatThePlainFileGives) {
  TTempDir Dir;
  const std::string S = std::string(VOREX_DEMO_DIR) + "/demo.structure";
  // Several pieces of 4 MiB; a copy that lost bytes after the first piece.
  const std::string P = Dir.File("p.dat"), Cut = Dir.File("cut.dat");
  ASSERT_TRUE(WriteDemoPacketFile(P, 20000));
  std::string Data;
  {
    std::ifstream In(P, std::ios::binary);
    Data.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  std::ofstream(Cut, std::ios::binary) << Data.erase(4500017, 83);
  // Data without a BaseFrame, which compresses to less than one.
  const std::string Zeros = Dir.File("zeros.dat");
  std::ofstream(Zeros, std::ios::binary) << std::string(1000, '\0');
  ASSERT_EQ(RunCommand("gzip -k " + Quoted(P) + " " + Quoted(Cut) + " " + Quoted(Zeros)).ExitCode, 0);
  const std::string Cli = std::string(VOREX_CLI) + " ", Table = Cli + "table -q " + Quoted(S) + " ";
  // Each command and the one on the plain file it gives the output and exit status of.
  const std::pair<std::string, std::string> Cases[] = {
      {"cat " + Quoted(P) + " | " + Table + "-", Table + Quoted(P)},
      {Table + Quoted(P + ".gz") + " --threads 3 --layout long", Table + Quoted(P) + " --threads 3 --layout long"},
      {"cat " + Quoted(Cut) + " | " + Table + "- --resync --frames 15000:",
       Table + Quoted(Cut) + " --resync --frames 15000:"},
      {Table + Quoted(Cut + ".gz"), Table + Quoted(Cut)},
      {Table + Quoted(Zeros + ".gz"), Table + Quoted(Zeros)},
      {"cat " + Quoted(Zeros) + " | " + Table + "-", Table + Quoted(Zeros)},
      {"cat " + Quoted(P) + " | " + Cli + "decode -q " + Quoted(S) + " - --dump | md5sum",
       Cli + "decode -q " + Quoted(S) + " " + Quoted(P) + " --dump | md5sum"}};
  for (const auto& [Command, Plain] : Cases) {
    const TCommandResult R = RunCommand(Command), Expected = RunCommand(Plain);
    EXPECT_EQ(R.ExitCode, Expected.ExitCode) << Command;
    EXPECT_GT(R.Out.size(), 32u) << Command;
    EXPECT_TRUE(R.Out == Expected.Out) << Command;
  }

  // Damaged data: an Error, exit status 2 and the rows before the damage.
  const std::string Whole = RunCommand(Table + Quoted(P)).Out;
  const std::string Short = Dir.File("short.gz"), NotGzip = Dir.File("plain.gz");
  ASSERT_EQ(RunCommand("(head -c 400000 " + Quoted(P + ".gz") + " > " + Quoted(Short) + ")").ExitCode, 0);
  std::ofstream(NotGzip, std::ios::binary) << Data;
  const std::tuple<std::string, std::string, std::ptrdiff_t> Damaged[] = {
      {Table + Quoted(Short), "[Error] Paket file " + Short + " is damaged (cut short): its data ends after ", 5000},
      {Table + Quoted(NotGzip), "[Error] Paket file " + NotGzip + " is not gzip data.\n", 1},
      {Table + "- < /dev/null", "[Error] Paket file - holds no data.\n", 1}};
  for (const auto& [Command, Error, Lines] : Damaged) {
    const TCommandResult R = RunCommand(Command);
    EXPECT_EQ(R.ExitCode, 2) << Command;
    EXPECT_EQ(R.Err.substr(0, Error.size()), Error) << Command;
    EXPECT_GE(std::count(R.Out.begin(), R.Out.end(), '\n'), Lines) << Command;
    EXPECT_TRUE(Whole.starts_with(R.Out)) << Command;
  }
}

TEST(CliTable, RefusesANameOrPatternThatNoColumnHasAndAnOutputItCannotWrite) {
  TDemo D;
  TCommandResult R = RunCommand(std::string(VOREX_CLI) + " table -q " + Quoted(D.S) + " " + Quoted(D.P) +
                                " --vars 'HKFrame.*,NOPE,NOPE*'");
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, "[Error] Unknown variable NOPE.\n[Error] Unknown variable NOPE*.\n");

  R = RunCommand(std::string(VOREX_CLI) + " table -q " + Quoted(D.S) + " " + Quoted(D.P) + " --out " +
                 Quoted(D.Dir.Path));
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_NE(R.Err.find("[Error] Cannot create file"), std::string::npos);
}

TEST(CliTable, FollowsAGrowingFileAndWritesEveryBaseFrameOnceInOrderUntilTerminated) {
  TDemo D;
  const std::string P = D.Dir.File("growing.dat"), Out = D.Dir.File("out.csv"), Status = D.Dir.File("status");
  // To standard output, and to a file written in place over a longer old content.
  for (const std::string& Output : {" > " + Quoted(Out), " --out " + Quoted(Out)}) {
    RunCommand("rm -f " + Quoted(P));
    D.Dir.Write("out.csv", std::string(100000, 'x'));
    const std::string Inode = RunCommand("stat -c %i " + Quoted(Out)).Out;
    // The writer appends 30 BaseFrames in random pieces of up to 300 bytes over about a second.
    const std::string Script = std::string(VOREX_SIM) + " " + Quoted(P) +
                               " --frames 2 --append-every 0.03 --count 30 --random-chunks 300 & "
                               "S=$!; sleep 0.2; " +
                               VOREX_CLI + " table -q " + Quoted(D.S) + " " + Quoted(P) +
                               " --follow --interval 40 --vars SEQ_COUNT" + Output +
                               " & C=$!; wait $S; sleep 0.5; kill -TERM $C; "
                               "wait $C; echo $? > " +
                               Quoted(Status);
    ASSERT_EQ(std::system(("bash -c " + Quoted(Script)).c_str()), 0);
    std::ifstream StatusFile(Status);
    int Code = -1;
    StatusFile >> Code;
    EXPECT_EQ(Code, 0) << Output;
    EXPECT_EQ(RunCommand("stat -c %i " + Quoted(Out)).Out, Inode);
    const std::vector<TRow> Rows = ParseCsv(RunCommand("cat " + Quoted(Out)).Out);
    ASSERT_EQ(Rows.size(), 33u) << Output;
    for (std::size_t R = 1; R < Rows.size(); ++R) {
      EXPECT_EQ(Rows[R][1], std::to_string(R - 1));
      if (R > 1) {
        EXPECT_LT(std::stol(*Rows[R - 1][2]), std::stol(*Rows[R][2]));
      }
    }
  }
}

TEST(CliTable, ASignalThatEndsTheTableRemovesItsTemporaryFile) {
  TDemo D;
  const std::string Big = D.Dir.File("big.dat"), Out = D.Dir.File("out.csv");
  ASSERT_TRUE(WriteDemoPacketFile(Big, 100000));
  for (const std::string Signal : {"INT", "TERM", "HUP"}) {
    // Job control leaves SIGINT at its default in the background job.
    const std::string Script = "set -m; " + std::string(VOREX_CLI) + " table -q --threads 1 " + Quoted(D.S) + " " +
                               Quoted(Big) + " --out " + Quoted(Out) + " & C=$!; until ls " + Quoted(Out) +
                               ".tmp* >/dev/null 2>&1; do sleep 0.01; done; kill -" + Signal + " $C; wait $C";
    const TCommandResult R = RunCommand("bash -c " + Quoted(Script));
    EXPECT_GT(R.ExitCode, 128) << Signal << ": the table was not ended by the signal";
    EXPECT_EQ(RunCommand("ls " + Quoted(D.Dir.Path.string())).Out, "big.dat\ndemo.dat\n") << Signal;
  }
}
