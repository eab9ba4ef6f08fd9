// cantovex-cli completion bash: the shell completion script, made from the command table so every
// command, option and file type a command takes completes without further work.
#include <ostream>
#include <set>

#include "cli/CliCommand.h"
#include "cli/CliHelp.h"
#include "song/Language.h"

namespace cvcli {
namespace {

// What the shell offers for a value: "files REGEX", "folders", "words W1 W2", or "" for nothing.
std::string Completion(ValueKind kind, const std::string& value) {
  switch (kind) {
    case ValueKind::Song: return "files \\.(mid|midi|kar)$";
    case ValueKind::LyricText: return "files \\.(txt|rtf|doc|docx|odt)$";
    case ValueKind::Wav: return "files \\.wav$";
    case ValueKind::SoundFont: return "files \\.(sf2|sf3)$";
    case ValueKind::AnyFile: return "files .";
    case ValueKind::Folder: return "folders";
    case ValueKind::Choice: {
      std::string words = value;
      for (char& c : words)
        if (c == '|') c = ' ';
      return "words " + words;
    }
    case ValueKind::None:
    case ValueKind::Number:
    case ValueKind::Text: break;
  }
  return "";
}

std::vector<CliOption> AllOptions(const CliCommand& c) {
  std::vector<CliOption> all = c.options;
  all.insert(all.end(), GlobalOptions().begin(), GlobalOptions().end());
  return all;
}

void PrintBash(std::ostream& out) {
  out << "# bash completion for cantovex-cli, made by `cantovex-cli completion bash`\n\n";
  // The tables: options of each command, what each option's value and each argument is.
  out << "_cantovex_cli_options() {\n  case $1 in\n";
  for (const CliCommand& c : Commands()) {
    out << "    " << c.name << ") echo '";
    std::set<std::string> seen;
    for (const CliOption& o : AllOptions(c))
      if (seen.insert(o.name).second) out << (seen.size() > 1 ? " " : "") << o.name;
    out << "' ;;\n";
  }
  out << "  esac\n}\n\n";
  out << "# \"$1 $2\" (command option): what the option's value is; fails for a flag.\n"
         "_cantovex_cli_value() {\n  case \"$1 $2\" in\n";
  for (const CliCommand& c : Commands())
    for (const CliOption& o : AllOptions(c))
      if (o.kind != ValueKind::None) out << "    '" << c.name << " " << o.name << "') echo '" << Completion(o.kind, o.value) << "' ;;\n";
  out << "    *) return 1 ;;\n  esac\n}\n\n";
  out << "# The kind of positional argument $2 (from 0) of command $1; the last kind repeats.\n"
         "_cantovex_cli_argument() {\n  local kinds=()\n  case $1 in\n";
  for (const CliCommand& c : Commands()) {
    out << "    " << c.name << ") kinds=(";
    for (size_t i = 0; i < c.arguments.size(); ++i)
      out << (i ? " " : "") << "'" << Completion(c.arguments[i], "") << "'";
    out << ") ;;\n";
  }
  out << "  esac\n"
         "  (( ${#kinds[@]} )) || return\n"
         "  local n=$2\n"
         "  (( n < ${#kinds[@]} )) || n=$(( ${#kinds[@]} - 1 ))\n"
         "  echo \"${kinds[n]}\"\n"
         "}\n\n";
  out << "_cantovex_cli_offer() {\n"
         "  local what=${1%% *} rest=${1#* } f\n"
         "  case $what in\n"
         "    words) COMPREPLY=($(compgen -W \"$rest\" -- \"$cur\")) ;;\n"
         "    folders) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$cur\")) ;;\n"
         "    files)\n"
         "      compopt -o filenames 2>/dev/null\n"
         "      COMPREPLY=()\n"
         "      while IFS= read -r f; do\n"
         "        if [[ -d $f || ${f,,} =~ $rest ]]; then COMPREPLY+=(\"$f\"); fi\n"
         "      done < <(compgen -f -- \"$cur\")\n"
         "      ;;\n"
         "  esac\n"
         "}\n\n";
  out << "_cantovex_cli() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  local command= i word value args=0\n"
         "  COMPREPLY=()\n"
         "  for (( i = 1; i < COMP_CWORD; i++ )); do\n"
         "    word=${COMP_WORDS[i]}\n"
         "    if [[ -z $command ]]; then\n"
         "      case $word in\n"
         "        --lang) (( i++ )) ;;\n"
         "        -*) ;;\n"
         "        *) command=$word ;;\n"
         "      esac\n"
         "    elif [[ $word == -* ]]; then\n"
         "      _cantovex_cli_value \"$command\" \"$word\" >/dev/null && (( i++ ))\n"
         "    else\n"
         "      (( args++ ))\n"
         "    fi\n"
         "  done\n"
         "  if [[ -z $command ]]; then\n"
         "    case $prev in\n"
         "      --lang) COMPREPLY=($(compgen -W 'de en' -- \"$cur\")) ;;\n"
         "      *) if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W '";
  for (size_t i = 0; i < GlobalOptions().size(); ++i) out << (i ? " " : "") << GlobalOptions()[i].name;
  out << "' -- \"$cur\"))\n"
         "         else COMPREPLY=($(compgen -W '";
  for (size_t i = 0; i < Commands().size(); ++i) out << (i ? " " : "") << Commands()[i].name;
  out << "' -- \"$cur\")); fi ;;\n"
         "    esac\n"
         "    return\n"
         "  fi\n"
         "  if [[ $command == help ]]; then\n"
         "    COMPREPLY=($(compgen -W '";
  for (size_t i = 0; i < Commands().size(); ++i) out << (i ? " " : "") << Commands()[i].name;
  out << "' -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  if [[ $prev == -* ]] && value=$(_cantovex_cli_value \"$command\" \"$prev\"); then\n"
         "    _cantovex_cli_offer \"$value\"\n"
         "  elif [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$(_cantovex_cli_options \"$command\")\" -- \"$cur\"))\n"
         "  else\n"
         "    _cantovex_cli_offer \"$(_cantovex_cli_argument \"$command\" \"$args\")\"\n"
         "  fi\n"
         "}\n\n"
         "complete -F _cantovex_cli cantovex-cli\n";
}

int RunCompletion(CliContext& ctx) {
  if (ctx.args.size() != 1 || ctx.args[0] != "bash")
    throw CliUsageError{cv::Tr("Nur bash wird unterstützt.", "Only bash is supported.")};
  PrintBash(ctx.output.Out());
  return 0;
}

const CliRegistrar registrar({"completion",
                              {"bash"},
                              "Print the bash completion script (installed with the program) / Gibt das Skript zur "
                              "Bash-Vervollständigung aus (mit dem Programm installiert)",
                              {},
                              {ValueKind::Text},
                              RunCompletion});

}  // namespace
}  // namespace cvcli
