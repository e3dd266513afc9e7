// Parameters in the driver's INI file: one section per camera name, one key
// per parameter, the value in the parameter's text form.
#pragma once

#include <cstddef>
#include <string>

#include "params/param.h"

namespace ecocam {

// One camera's section of one INI file, for one load or save of a set.
class ParamIniFile {
 public:
  // A read returns at most kBufferSize - 1 characters; longer values are cut.
  static constexpr std::size_t kBufferSize = 256;
  // The section shared by all cameras, for parameters flagged `general`.
  static constexpr const char* kGeneralSection = "General";

  ParamIniFile(const std::string& file_name, const std::string& section);

  // The key's value in the camera's section, or `default_text`.
  std::string Read(const std::string& key, const std::string& default_text) const;
  // The same in the section "General".
  std::string ReadGeneral(const std::string& key, const std::string& default_text) const;
  // Writes the key; the result is the platform's and no caller checks it.
  bool Write(const std::string& key, const std::string& text) const;
  bool WriteGeneral(const std::string& key, const std::string& text) const;

  const std::string& file_name() const { return _fileName; }
  const std::string& section() const { return _section; }

 private:
  std::string _fileName;
  std::string _section;
};

// Reads an enabled parameter's key, with its current text as the default,
// and parses it; `general` parameters are clamped to their limits. A
// stored label that none of an enumerated parameter's options has is
// reported at level 1 and not taken: the parameter keeps its option.
void LoadParam(const ParamIniFile& file, Param_& parameter);
// Writes an enabled parameter's text under its name; false (nothing
// written) for a disabled one.
bool SaveParam(const ParamIniFile& file, Param_& parameter);

}  // namespace ecocam
