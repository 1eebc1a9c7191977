#include "tools/render/RenderOptions.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace brisko::render {
namespace {

constexpr double kMaxTailSeconds = 600.0;
constexpr double kMaxPrerollSeconds = 600.0;
constexpr int32_t kMaxBlockLength = 65536;

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool parseSeconds(const std::string& option, const std::string& text, double limit, double& value,
                  std::string& error) {
  if (!parseNumber(text, value) || value < 0.0 || value > limit) {
    error = option + " wants seconds from 0 to " + std::to_string(static_cast<int>(limit)) + ", not '" + text + "'";
    return false;
  }
  return true;
}

bool parseSetting(const std::string& text, ParameterSetting& setting, std::string& error) {
  const size_t equals = text.rfind('=');
  if (equals == std::string::npos || equals == 0) {
    error = "--set wants NAME=VALUE, not '" + text + "'";
    return false;
  }
  setting.name = text.substr(0, equals);
  const std::string valueText = text.substr(equals + 1);
  double value = 0.0;
  if (!parseNumber(valueText, value)) {
    error = "value of '" + setting.name + "' is not a number: '" + valueText + "'";
    return false;
  }
  if (value < 0.0 || value > 1.0) {
    error = "value of '" + setting.name + "' is outside 0 to 1: " + valueText;
    return false;
  }
  setting.value = static_cast<float>(value);
  return true;
}

}  // namespace

const char* usageText() {
  return "usage: brisko-render [options] INPUT OUTPUT\n"
         "Renders INPUT (an audio file, or 'demo' for a built-in test signal) through the\n"
         "Brisko plug-in, loaded as a host loads it, into OUTPUT (stereo 32-bit float WAV).\n"
         "\n"
         "  --plugin PATH          plug-in binary (default: the one built beside this tool)\n"
         "  --set NAME=VALUE       set a parameter by name or index 0-5 to a value 0..1 (repeatable)\n"
         "  --block N              host block length, 1..65536 (default 512)\n"
         "  --mode replacing|adding  processing call (default replacing)\n"
         "  --tail SECONDS         silence rendered after the input, 0..600 (default 0)\n"
         "  --preroll SECONDS      silence fed before the input, output dropped, whole blocks (default 0)\n"
         "  --list-params          print the parameters (index, name, display, label)\n"
         "  --spectrogram FILE.png input and output spectrograms\n"
         "  --editor-png FILE.png  the editor with these parameter values\n"
         "                         (with --list-params or --editor-png, INPUT and OUTPUT are optional)\n"
         "  --save-input FILE.wav  also write the input as fed to the plug-in (stereo float WAV)\n"
         "  --quiet                print errors only\n"
         "  --help                 this text\n";
}

bool parseNumber(const std::string& text, double& value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;  // no "inf", "nan" or hexadecimal forms
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

ParseResult parseOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto needValue = [&](std::string& value) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    std::string value;
    if (arg == "--help" || arg == "-h") return ParseResult::Help;
    if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--list-params") {
      options.listParams = true;
    } else if (arg == "--plugin") {
      if (!needValue(options.pluginPath)) return ParseResult::Error;
    } else if (arg == "--set") {
      ParameterSetting setting;
      if (!needValue(value) || !parseSetting(value, setting, error)) return ParseResult::Error;
      options.settings.push_back(setting);
    } else if (arg == "--block") {
      if (!needValue(value)) return ParseResult::Error;
      double length = 0.0;
      if (!parseNumber(value, length) || length != std::floor(length) || length < 1 || length > kMaxBlockLength) {
        error = "--block wants a whole number of samples from 1 to 65536, not '" + value + "'";
        return ParseResult::Error;
      }
      options.blockLength = static_cast<int32_t>(length);
    } else if (arg == "--mode") {
      if (!needValue(value)) return ParseResult::Error;
      if (value != "replacing" && value != "adding") {
        error = "--mode wants replacing or adding, not '" + value + "'";
        return ParseResult::Error;
      }
      options.adding = value == "adding";
    } else if (arg == "--tail") {
      if (!needValue(value) || !parseSeconds(arg, value, kMaxTailSeconds, options.tailSeconds, error))
        return ParseResult::Error;
    } else if (arg == "--preroll") {
      if (!needValue(value) || !parseSeconds(arg, value, kMaxPrerollSeconds, options.prerollSeconds, error))
        return ParseResult::Error;
    } else if (arg == "--spectrogram") {
      if (!needValue(options.spectrogramPath)) return ParseResult::Error;
    } else if (arg == "--editor-png") {
      if (!needValue(options.editorPngPath)) return ParseResult::Error;
    } else if (arg == "--save-input") {
      if (!needValue(options.saveInputPath)) return ParseResult::Error;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg + " (see --help)";
      return ParseResult::Error;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() == 2) {
    options.input = positional[0];
    options.output = positional[1];
  } else if (!(positional.empty() && (options.listParams || !options.editorPngPath.empty()))) {
    error = positional.size() < 2 ? "missing INPUT or OUTPUT (see --help)" : "too many arguments (see --help)";
    return ParseResult::Error;
  }
  if (options.input.empty() && (!options.spectrogramPath.empty() || !options.saveInputPath.empty())) {
    error = "--spectrogram and --save-input need INPUT and OUTPUT";
    return ParseResult::Error;
  }
  return ParseResult::Run;
}

bool resolveParameter(const std::string& name, const std::vector<std::string>& names, int32_t& index,
                      std::string& error) {
  const int32_t count = static_cast<int32_t>(names.size());
  bool digits = !name.empty();
  for (char c : name) digits = digits && std::isdigit(static_cast<unsigned char>(c));
  if (digits && name.size() <= 9 && std::atoi(name.c_str()) < count) {
    index = std::atoi(name.c_str());
    return true;
  }
  for (int32_t i = 0; !digits && i < count; ++i)
    if (lowerCase(names[static_cast<size_t>(i)]) == lowerCase(name)) {
      index = i;
      return true;
    }
  error = (digits ? "parameter index " + name + " is out of range" : "unknown parameter '" + name + "'") +
          "; valid names:";
  for (int32_t i = 0; i < count; ++i) error += (i ? ", \"" : " \"") + names[static_cast<size_t>(i)] + "\"";
  error += " or an index 0-" + std::to_string(count - 1);
  return false;
}

}  // namespace brisko::render
