// The process-wide resource locator: finds a resource by numeric id and
// type word ("xml", "png", "jpg") in the configured sources, in a fixed
// order. It also carries the framework's load problems (tags and attributes
// rejected, skins or images not found) to whoever listens: the program's
// log, or skinview.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

struct VuLoadProblem {
  std::string document;  // e.g. "11001.xml"; empty when not inside a document
  int line = 0;          // 1-based; 0 when unknown
  std::string message;   // e.g. "unknown attribute \"foo\" on <text>"
};

// One source's copy of a resource.
struct VuResourceBlob {
  std::string source;  // "primary directory", "secondary directory", "override", ...
  std::u16string path; // the file, for directory sources
  std::string bytes;
};

class VuResourceLocator {
 public:
  static VuResourceLocator& Instance();

  void SetPrimaryDirectory(const std::u16string& directory);
  void SetSecondaryDirectory(const std::u16string& directory);
  void SetDirectoriesFirst(bool first);
  const std::u16string& PrimaryDirectory() const;
  const std::u16string& SecondaryDirectory() const;
  bool DirectoriesFirst() const;

  // Optional sources (the uninstaller uses only the primary directory).
  using Provider = std::function<bool(int id, const std::string& type, std::string* bytes)>;
  void SetOverride(int id, const std::string& type, std::string bytes);  // in-memory overrides
  void ClearOverrides();
  void SetExtraModule(Provider provider);    // an extra module's resources
  void SetPackedProvider(std::function<bool(const std::string& key, std::string* bytes)> provider);
  void SetOwnModule(Provider provider);      // the program's own resources

  // The first source that holds the resource, in the lookup order:
  // directories first (when the flag is set: primary, then secondary),
  // overrides (when allowed), the extra module, the packed provider ("%d.%s"),
  // the program's module, then (flag not set) the primary directory. A
  // directory file ("%s\%d.%s") is read whole; an empty file or a short
  // read fails.
  bool Load(int id, const std::string& type, VuResourceBlob* out, bool allow_overrides = true) const;
  // Every source that holds it, in the same order (the shared documents merge them all).
  std::vector<VuResourceBlob> LoadAll(int id, const std::string& type) const;
  // "%s\%d.%s" of directory, id and type.
  static std::u16string DirectoryFile(const std::u16string& directory, int id,
                                      const std::string& type);

  // Load problems. Loaders name the document they read for the duration of
  // a DocumentScope; Report() adds that name. Without a sink nothing is kept.
  using ProblemSink = std::function<void(const VuLoadProblem&)>;
  void SetProblemSink(ProblemSink sink);
  void Report(int line, const std::string& message);
  class DocumentScope {
   public:
    explicit DocumentScope(const std::string& document);
    ~DocumentScope();
    DocumentScope(const DocumentScope&) = delete;
    DocumentScope& operator=(const DocumentScope&) = delete;

   private:
    std::string previous_;
  };

  // Tests only: back to a fresh locator.
  void ResetForTest();

 private:
  VuResourceLocator() = default;
  mutable std::mutex mutex_;
  std::u16string primary_, secondary_;
  bool directories_first_ = false;
  std::map<std::pair<int, std::string>, std::string> overrides_;
  Provider extra_module_, own_module_;
  std::function<bool(const std::string&, std::string*)> packed_;
  ProblemSink sink_;
  std::string document_;
};
