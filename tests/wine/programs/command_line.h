// Commands and their arguments from a helper program's argument list: each
// command takes its required arguments, then optional ones for as long as the
// next word is not itself a command.
#pragma once

#include <string>
#include <vector>

namespace winprog {

struct CommandShape {
  const wchar_t* name;
  size_t required;
  size_t optional;
};

struct Command {
  std::wstring name;
  std::vector<std::wstring> arguments;
};

inline const CommandShape* FindShape(const std::vector<CommandShape>& shapes, const std::wstring& word) {
  for (const CommandShape& shape : shapes)
    if (word == shape.name) return &shape;
  return nullptr;
}

// ASCII only: the words printed are commands and numbers.
inline std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

// False with *problem set to "error unknown-command NAME" or
// "error missing-argument NAME".
inline bool ParseCommands(const std::vector<std::wstring>& words, const std::vector<CommandShape>& shapes,
                          std::vector<Command>* commands, std::wstring* problem) {
  for (size_t i = 0; i < words.size();) {
    const CommandShape* shape = FindShape(shapes, words[i]);
    if (!shape) {
      *problem = L"error unknown-command " + words[i];
      return false;
    }
    Command command{words[i++], {}};
    for (size_t n = 0; n < shape->required; ++n) {
      if (i >= words.size()) {
        *problem = L"error missing-argument " + command.name;
        return false;
      }
      command.arguments.push_back(words[i++]);
    }
    for (size_t n = 0; n < shape->optional && i < words.size() && !FindShape(shapes, words[i]); ++n)
      command.arguments.push_back(words[i++]);
    commands->push_back(std::move(command));
  }
  return true;
}

}  // namespace winprog
