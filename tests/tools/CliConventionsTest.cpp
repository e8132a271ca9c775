// The conventions every command line of the tools follows: help and version
// on standard output, wrong usage on standard error, data alone on standard
// output, and exit statuses a script can tell apart.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <vector>

#include "RunCommand.h"
#include "StructureText.h"
#include "TempDir.h"
#include "cli/DecodeCommand.h"
#include "cli/PlotCommand.h"
#include "cli/TableCommand.h"

namespace {

const std::string Cli = VOREX_CLI, Sim = VOREX_SIM;

// Two 4-byte BaseFrames, decoded cleanly, with a transform that names an
// unknown variable (an Error entry per BaseFrame), or with a cross dependency
// that stops the pass at the first.
struct TFiles {
  TTempDir Dir;
  std::string Clean =
      Dir.Write("clean.structure",
                Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"}), Row({"1", "1", "NUMBER", "W", "W"})}));
  std::string Faulty = Dir.Write("faulty.structure", Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"}),
                                                            Row({"1", "1", "NUMBER", "W", "W+UNKNOWN"})}));
  std::string Cross =
      Dir.Write("cross.structure",
                Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "W&"}), Row({"1", "1", "NUMBER", "W", "V&"})}));
  std::string Packet = Dir.Write("p.dat", std::string("\x00\x05\x00\x00\x00\x07\x00\x00", 8));
  // A 280-byte BaseFrame, whose IDs are checked; a recording not begun, and bytes without an ID.
  std::string Long = Dir.Write("long.structure", Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "V", "V"})}));
  std::string Empty = Dir.Write("empty.dat", "");
  std::string Junk = Dir.Write("junk.dat", std::string(600, '\x55'));
  std::string Files(const std::string& Structure) const { return Quoted(Structure) + " " + Quoted(Packet); }
};

}  // namespace

TEST(CliConventions, HelpAndVersionGoToStandardOutputWithExitZero) {
  const std::pair<std::string, std::string> Cases[] = {
      {Cli + " --help", "Usage: vorex-cli [OPTIONS]"},
      {Cli + " -h", "Usage: vorex-cli [OPTIONS]"},
      {Cli + " decode --help", "Usage: vorex-cli decode [OPTIONS] STRUCTURE PACKET [PACKET2...]\n"},
      {Cli + " plot -h", "Usage: vorex-cli plot [OPTIONS] STRUCTURE PACKET [PACKET2...]\n"},
      {Cli + " eval --help", "Usage: vorex-cli eval [OPTIONS] EXPR"},
      {Cli + " table --help", "Usage: vorex-cli table [OPTIONS] STRUCTURE PACKET [PACKET2...]\n"},
      {Cli + " vars -h", "Usage: vorex-cli vars [OPTIONS] STRUCTURE\n"},
      {Sim + " --help", "Usage: vorex-sim [OPTIONS] OUTPUT"},
      {Cli + " --version", "vorex-cli 0.2.0\n"},
      {Cli + " decode --version", "vorex-cli 0.2.0\n"},
      {Sim + " --version", "vorex-sim 0.2.0\n"}};
  for (const auto& [Command, Start] : Cases) {
    const TCommandResult R = RunCommand(Command);
    EXPECT_EQ(R.ExitCode, 0) << Command;
    EXPECT_NE(R.Out.find(Start), std::string::npos) << Command << "\n" << R.Out;
    EXPECT_EQ(R.Err, "") << Command;
  }
}

TEST(CliConventions, WrongUsageIsOneLineNamingItThenTheHint) {
  const std::pair<std::string, std::string> Cases[] = {
      {Cli, "A command is needed: decode, plot, table or eval"},
      {Cli + " frobnicate", "The following argument was not expected: frobnicate"},
      {Cli + " --frobnicate", "The following argument was not expected: --frobnicate"},
      {Cli + " eval", "EXPR is required"},
      {Cli + " eval 1 --var", "--var needs NAME=VALUE"},
      {Sim + " out.dat --seed", "--seed: 1 required UINT missing"},
      {Sim + " out.dat --frames 2 --bogus", "The following argument was not expected: --bogus"},
      {Sim + " out.dat --count 2", "--count requires --append-every"},
      {Cli + " table a b --format xml", "--format: xml not in {csv,jsonl,netcdf,tsv}"},
      {Cli + " table a b --meta", "--meta needs --format jsonl"},
      {Cli + " table a - --follow", "--follow cannot follow standard input or a .gz file, which are read once"},
      {Cli + " decode a b - --export x", "--export reads the packet files twice, which standard input cannot be"},
      {Cli + " table a b --frames 3", "--frames: '3' is not a range A:B of BaseFrame numbers (A: and :B allowed)"},
      {Cli + " table a b --to '2007-04-09 14:05:59.1234'",
       "--to: '2007-04-09 14:05:59.1234' is neither seconds nor a date and time \"yyyy-mm-dd hh:nn:ss[.zzz]\""},
      {Cli + " vars", "STRUCTURE is required"},
      {Cli + " vars a --format tsv", "--format: tsv not in {csv,jsonl}"},
      {Cli + " table a b --format netcdf",
       "--format netcdf needs --out FILE: a netCDF file cannot go to standard output"},
      {Cli + " table a b --format netcdf --out -",
       "--format netcdf needs --out FILE: a netCDF file cannot go to standard output"},
      {Cli + " table a b --format netcdf --out t.nc --layout long", "--format netcdf writes the wide layout only"},
      {Cli + " table a b --format netcdf --out t.nc --follow", "--format netcdf cannot be followed"},
      {Cli + " table a b --format netcdf --out t.nc --frames 1:",
       "--format netcdf writes every row: --frames, --from and --to cannot choose them"}};
  for (const auto& [Command, Problem] : Cases) {
    const TCommandResult R = RunCommand(Command);
    EXPECT_EQ(R.ExitCode, 1) << Command;
    EXPECT_EQ(R.Out, "") << Command;
    EXPECT_EQ(R.Err, Problem + "\nRun with --help for more information.\n") << Command;
  }
}

TEST(CliConventions, ExitStatusTellsCleanFromDecodedWithErrorsFromNotLoadedFromStoppedEarly) {
  TFiles F;
  const std::string Missing = Quoted(F.Clean) + " " + Quoted(F.Dir.File("missing.dat"));
  // Read, these would block or never end.
  const std::string Fifo = F.Dir.File("fifo.dat");
  ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
  const std::string Unreadable[] = {Fifo, "/dev/zero"};
  const std::pair<std::string, int> Cases[] = {
      {"decode " + F.Files(F.Clean), 0},
      {"decode " + F.Files(F.Faulty), 3},
      {"decode " + Missing, 2},
      {"decode " + F.Files(F.Cross), 4},
      {"plot " + F.Files(F.Clean) + " --frame=BaseFrame --var=W", 0},
      {"plot " + F.Files(F.Faulty) + " --frame BaseFrame --var W", 3},
      {"plot " + Missing + " --frame BaseFrame --var W", 2},
      {"plot " + F.Files(F.Cross) + " --frame BaseFrame --var W", 4},
      {"table " + F.Files(F.Clean), 0},
      {"table " + F.Files(F.Faulty) + " --format tsv", 3},
      {"table " + Missing, 2},
      {"decode " + Quoted(F.Long) + " " + Quoted(F.Empty), 0},
      {"decode " + Quoted(F.Long) + " " + Quoted(F.Empty) + " " + Quoted(F.Junk), 2},
      {"plot " + Quoted(F.Long) + " " + Quoted(F.Junk) + " --frame BaseFrame --var V", 2},
      {"table " + Quoted(F.Long) + " " + Quoted(F.Junk), 2},
      {"table " + F.Files(F.Clean) + " --vars 'V,X*'", 2},
      {"table " + F.Files(F.Cross), 4},
      {"vars " + Quoted(F.Clean), 0},
      {"vars " + Quoted(F.Dir.File("missing.structure")), 2},
      {"table " + F.Files(F.Clean) + " --format netcdf --out " + Quoted(F.Dir.File("none/t.nc")), 2},
      {"table " + F.Files(F.Faulty) + " --format netcdf --out " + Quoted(F.Dir.File("t.nc")), 3},
      {"table " + Quoted(F.Long) + " " + Quoted(F.Junk) + " --format netcdf --out " + Quoted(F.Dir.File("t.nc")), 2},
      {"table " + F.Files(F.Cross) + " --format netcdf --out " + Quoted(F.Dir.File("t.nc")), 4}};
  for (const auto& [Args, Status] : Cases) {
    const TCommandResult R = RunCommand(Cli + " " + Args);
    EXPECT_EQ(R.ExitCode, Status) << Args << "\n" << R.Err;
    EXPECT_EQ(R.Err.find("[Error]") != std::string::npos, Status != 0) << Args;
  }
  for (const std::string& File : Unreadable)
    for (const std::string Command : {"decode", "table"}) {
      const TCommandResult R =
          RunCommand(Cli + " " + Command + " -q " + Quoted(F.Clean) + " " + Quoted(F.Packet) + " " + Quoted(File));
      EXPECT_EQ(R.ExitCode, 2) << Command << " " << File;
      EXPECT_EQ(R.Out, "") << Command << " " << File;
      EXPECT_EQ(R.Err, "[Error] Paket file " + File + " is not a regular file, not loaded.\n");
    }
  EXPECT_NE(RunCommand(Cli + " decode " + Quoted(F.Long) + " " + Quoted(F.Junk))
                .Err.find("[Error] No BaseFrame found in " + F.Junk + ".\n"),
            std::string::npos);
  // An Error in a later pass of a followed table.
  const std::string Grown = F.Dir.Write("grown.dat", "");
  const TCommandResult R =
      RunCommand("bash -c " + Quoted(Cli + " table -q --follow --interval 20 " + Quoted(F.Faulty) + " " +
                                     Quoted(Grown) + " >/dev/null & C=$!; sleep 0.3; cat " + Quoted(F.Packet) + " >> " +
                                     Quoted(Grown) + "; sleep 0.3; kill -TERM $C; wait $C"));
  EXPECT_EQ(R.ExitCode, 3) << R.Err;
}

TEST(CliConventions, AnOutputThatCannotBeWrittenIsExitTwo) {
  TFiles F;
  const std::string Commands[] = {"decode " + F.Files(F.Clean) + " --dump -q",
                                  "decode " + F.Files(F.Clean) + " --summary -q",
                                  "decode " + F.Files(F.Clean) + " --export - -q",
                                  "plot " + F.Files(F.Clean) + " --frame BaseFrame --var W -q",
                                  "table " + F.Files(F.Clean) + " -q",
                                  "eval 1+1",
                                  "vars -q " + Quoted(F.Clean)};
  for (const std::string& Args : Commands) {
    const TCommandResult R = RunCommand("sh -c " + Quoted(Cli + " " + Args + " >/dev/full"));
    EXPECT_EQ(R.ExitCode, 2) << Args;
    EXPECT_EQ(R.Err, "[Error] Cannot write standard output.\n") << Args;
  }
}

TEST(CliConventions, StandardOutputCarriesDataOnlyAndQuietKeepsWarningsAndErrors) {
  TFiles F;
  TCommandResult R = RunCommand(Cli + " decode " + F.Files(F.Faulty) + " --export -");
  EXPECT_EQ(R.Out,
            "FrameNo;V;W;\r\n1; 5.00000000000000E+0000;-9.99000000000000E+0002;\r\n"
            "2; 7.00000000000000E+0000;-9.99000000000000E+0002;\r\n");
  EXPECT_TRUE(R.Err.ends_with("Export of current browser to - successful.\nMatrix dimension is 2 x 2.\n")) << R.Err;
  EXPECT_NE(R.Err.find("[Info] "), std::string::npos);

  R = RunCommand(Cli + " decode -q " + F.Files(F.Faulty) + " --export -");
  EXPECT_EQ(R.Err.find("Export of"), std::string::npos) << R.Err;
  EXPECT_EQ(R.Out.substr(0, 12), "FrameNo;V;W;");

  R = RunCommand(Cli + " decode -q " + F.Files(F.Faulty));
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err.find("[Info] "), std::string::npos);
  EXPECT_EQ(R.Err.find("[Message] "), std::string::npos);
  EXPECT_NE(R.Err.find("[Error] "), std::string::npos);

  R = RunCommand(Sim + " - --frames 3");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out.size(), 3u * 280u);

  // More than 100 MB: a progress line on a terminal (a pseudo-terminal where script(1) gives one), none on a file.
  const std::string Big = F.Dir.File("big.dat");
  ASSERT_EQ(RunCommand(Sim + " " + Quoted(Big) + " --frames 360000").ExitCode, 0);
  const std::string Table = Cli + " table " + Quoted(std::string(VOREX_DEMO_DIR) + "/demo.structure") + " " +
                            Quoted(Big) + " --vars SEQ_COUNT --out /dev/null";
  R = RunCommand(Table);
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Err.find('\r'), std::string::npos);
  EXPECT_NE(R.Err.find("[Info] "), std::string::npos);
  if (RunCommand("script -qec true /dev/null").ExitCode == 0) {
    EXPECT_NE(RunCommand("script -qec " + Quoted(Table) + " /dev/null").Out.find("360000 BaseFrames  "),
              std::string::npos);
    EXPECT_EQ(RunCommand("script -qec " + Quoted(Table + " -q") + " /dev/null").Out.find('\r'), std::string::npos);
  }
}

TEST(CliConventions, OptionsWorkBeforeBetweenAndAfterTheFiles) {
  TFiles F;
  using TCommand = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  using TGroups = std::vector<std::vector<std::string>>;  // an option with its value
  struct TCase {
    TCommand Command;
    TGroups Options;
    std::string Out;
  };
  const std::string Row1 = "; 5.00000000000000E+0000; 0.00000000000000E+0000;\r\n";
  const std::string Row2 = "; 7.00000000000000E+0000; 0.00000000000000E+0000;\r\n";
  const TCase Cases[] = {{DecodeCommand,
                          {{"--export", "-"}, {"-q"}, {"--threads", "1"}},
                          "FrameNo;V;W;\r\n1" + Row1 + "2" + Row2 + "3" + Row1 + "4" + Row2},
                         {PlotCommand,
                          {{"--frame", "BaseFrame"}, {"--var", "W"}, {"--sort=V"}, {"-q"}},
                          "100000001 0 0\n1 0 0\n100000004 0 0\n4 0 0\nstats 0 0 0 0\nscale -0.1 0.1\n"},
                         {TableCommand,
                          {{"--vars", "W"}, {"--format", "tsv"}, {"--vars", "V"}, {"-q"}, {"--layout", "long"}},
                          "file\tframe\tserial\tdatetime\tname\traw\tvalue\n"
                          "1\t0\t0\t\tV\t5\t5\n1\t0\t1\t\tW\t0\t0\n1\t1\t3\t\tV\t7\t7\n1\t1\t4\t\tW\t0\t0\n"
                          "2\t0\t100000000\t\tV\t5\t5\n2\t0\t100000001\t\tW\t0\t0\n"
                          "2\t1\t100000003\t\tV\t7\t7\n2\t1\t100000004\t\tW\t0\t0\n"}};
  const std::vector<std::string> Files = {F.Clean, F.Packet, F.Packet};
  for (const TCase& Case : Cases) {
    // Slot K holds the options given before file K (K = 3: after the last).
    for (int Placement = 0; Placement < 6; ++Placement) {
      std::vector<std::vector<std::string>> Slots(4);
      for (std::size_t G = 0; G < Case.Options.size(); ++G) {
        const std::size_t Slot =
            Placement < 4 ? static_cast<std::size_t>(Placement) : (G + static_cast<std::size_t>(Placement)) % 4;
        Slots[Slot].insert(Slots[Slot].end(), Case.Options[G].begin(), Case.Options[G].end());
      }
      std::vector<std::string> Args;
      for (std::size_t K = 0; K < 4; ++K) {
        Args.insert(Args.end(), Slots[K].begin(), Slots[K].end());
        if (K < Files.size()) Args.push_back(Files[K]);
      }
      std::ostringstream Out, Err;
      EXPECT_EQ(Case.Command(Args, Out, Err), 0) << ::testing::PrintToString(Args) << Err.str();
      EXPECT_EQ(Out.str(), Case.Out) << ::testing::PrintToString(Args);
    }
  }
}
