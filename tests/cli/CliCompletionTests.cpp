#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/CliRun.h"
#include "support/SmfBuilder.h"

namespace fs = std::filesystem;

namespace {

// What bash offers for a command line typed up to its end, in a folder of sample files; the
// offers sorted and joined by spaces.
class Completion {
 public:
  Completion() : dir_(cvtest::TempDir()) {
    const auto script = clitest::RunCli({"completion", "bash"});
    EXPECT_EQ(script.code, 0) << script.err;
    std::ofstream(dir_ + "/cantovex-cli.bash") << script.out;
    fs::create_directory(dir_ + "/songs");
    for (const char* f : {"a.mid", "B.KAR", "c.txt", "d.docx", "e.wav", "f.sf2"}) std::ofstream(dir_ + "/" + f) << "";
  }

  std::string Offers(const std::string& line) const {
    std::ofstream(dir_ + "/line") << line;
    const std::string command =
        "cd " + clitest::ShellQuote(dir_) + " && bash -c '"
        "source ./cantovex-cli.bash; line=$(cat line); read -ra COMP_WORDS <<< \"$line\"; "
        "[[ $line == *\" \" ]] && COMP_WORDS+=(\"\"); COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 )); "
        "_cantovex_cli; printf \"%s\\n\" \"${COMPREPLY[@]}\" | LC_ALL=C sort | paste -sd \" \"' > offers 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir_ + "/offers");
    std::string offers;
    std::getline(in, offers);
    return offers;
  }

 private:
  std::string dir_;
};

}  // namespace

// Commands, their options, the options' values and the file types the arguments take.
TEST(CliCompletion, OffersCommandsOptionsValuesAndFileTypes) {
  const Completion bash;
  const struct {
    std::string line;
    std::string offers;
  } cases[] = {
      {"cantovex-cli hy", "hyphenate"},
      {"cantovex-cli --lang ", "de en"},
      {"cantovex-cli --lang de info --enc", "--encoding"},
      {"cantovex-cli info --encoding ", "big5 cp1251 cp1252 gbk shift_jis utf8"},
      {"cantovex-cli info ", "B.KAR a.mid songs"},
      {"cantovex-cli import a.mid ", "c.txt d.docx songs"},
      {"cantovex-cli import a.mid c.txt -o ", "B.KAR a.mid songs"},
      {"cantovex-cli convert --batch ", "songs"},
      {"cantovex-cli render a.mid --soundfont ", "f.sf2 songs"},
      {"cantovex-cli render a.mid -o ", "e.wav songs"},
      {"cantovex-cli edit --quantize ", "eighth eighth-triplet quarter sixteenth"},
      {"cantovex-cli help in", "info"},
      {"cantovex-cli ports --", "--help --json --lang"},
  };
  for (const auto& c : cases) EXPECT_EQ(bash.Offers(c.line), c.offers) << c.line;
  // Every command of the program is offered.
  const std::string commands = bash.Offers("cantovex-cli ");
  for (const char* name : {"convert", "edit", "hyphenate", "import", "info", "lyrics", "play", "ports", "render", "text"})
    EXPECT_NE(commands.find(name), std::string::npos) << name << " in " << commands;
}
