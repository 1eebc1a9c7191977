#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisko::render {

// One --set NAME=VALUE as given; the name is resolved once the plug-in's
// parameter names are known.
struct ParameterSetting {
  std::string name;
  float value = 0.0f;
};

struct RenderOptions {
  std::string input;   // a path, or "demo"
  std::string output;
  std::string pluginPath;  // empty: the plug-in built beside the tool
  std::vector<ParameterSetting> settings;
  int32_t blockLength = 512;
  bool adding = false;
  double tailSeconds = 0.0;
  double prerollSeconds = 0.0;
  bool listParams = false;
  bool quiet = false;
  std::string spectrogramPath;
  std::string editorPngPath;
  std::string saveInputPath;
};

enum class ParseResult { Run, Help, Error };

// Parses the command line (without the program name). On Error `error`
// holds a one-line message.
ParseResult parseOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

const char* usageText();

// A plain decimal or exponent number, nothing before or after it, finite.
bool parseNumber(const std::string& text, double& value);

// Resolves a parameter name (exact, case-insensitive) or index against the
// plug-in's names; the error lists the valid names.
bool resolveParameter(const std::string& name, const std::vector<std::string>& names, int32_t& index,
                      std::string& error);

}  // namespace brisko::render
