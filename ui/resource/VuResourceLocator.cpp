#include "ui/resource/VuResourceLocator.h"

#include <cstdio>

#include "ui/resource/VuFileBytes.h"

namespace {

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// One directory source: false when the file is missing, empty or not read whole.
bool FromDirectory(const std::u16string& directory, const char* source, int id,
                   const std::string& type, VuResourceBlob* out) {
  if (directory.empty()) return false;
  out->source = source;
  out->path = VuResourceLocator::DirectoryFile(directory, id, type);
  const VuReadResult read = VuReadWholeFile(out->path, &out->bytes);
  if (read == VuReadResult::kTooLarge)
    VuResourceLocator::Instance().Report(
        0, std::string(source) + " file of resource " + std::to_string(id) + "." + type +
               " is larger than " + std::to_string(kVuMaxResourceFile) + " bytes: not read");
  return read == VuReadResult::kRead;
}

}  // namespace

VuResourceLocator& VuResourceLocator::Instance() {
  static VuResourceLocator* locator = new VuResourceLocator;
  return *locator;
}

void VuResourceLocator::SetPrimaryDirectory(const std::u16string& directory) {
  std::lock_guard<std::mutex> guard(mutex_);
  primary_ = directory;
}

void VuResourceLocator::SetSecondaryDirectory(const std::u16string& directory) {
  std::lock_guard<std::mutex> guard(mutex_);
  secondary_ = directory;
}

void VuResourceLocator::SetDirectoriesFirst(bool first) {
  std::lock_guard<std::mutex> guard(mutex_);
  directories_first_ = first;
}

const std::u16string& VuResourceLocator::PrimaryDirectory() const { return primary_; }
const std::u16string& VuResourceLocator::SecondaryDirectory() const { return secondary_; }
bool VuResourceLocator::DirectoriesFirst() const { return directories_first_; }

void VuResourceLocator::SetOverride(int id, const std::string& type, std::string bytes) {
  std::lock_guard<std::mutex> guard(mutex_);
  overrides_[{id, type}] = std::move(bytes);
}

void VuResourceLocator::ClearOverrides() {
  std::lock_guard<std::mutex> guard(mutex_);
  overrides_.clear();
}

void VuResourceLocator::SetExtraModule(Provider provider) {
  std::lock_guard<std::mutex> guard(mutex_);
  extra_module_ = std::move(provider);
}

void VuResourceLocator::SetPackedProvider(
    std::function<bool(const std::string& key, std::string* bytes)> provider) {
  std::lock_guard<std::mutex> guard(mutex_);
  packed_ = std::move(provider);
}

void VuResourceLocator::SetOwnModule(Provider provider) {
  std::lock_guard<std::mutex> guard(mutex_);
  own_module_ = std::move(provider);
}

std::u16string VuResourceLocator::DirectoryFile(const std::u16string& directory, int id,
                                                const std::string& type) {
  return directory + u"\\" + Widen(std::to_string(id)) + u"." + Widen(type);
}

std::vector<VuResourceBlob> VuResourceLocator::LoadAll(int id, const std::string& type) const {
  // The sources are copied out first: a provider may itself report a problem.
  std::u16string primary, secondary;
  bool directories_first;
  std::string override_bytes;
  bool has_override;
  Provider extra, own;
  std::function<bool(const std::string&, std::string*)> packed;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    primary = primary_;
    secondary = secondary_;
    directories_first = directories_first_;
    auto it = overrides_.find({id, type});
    has_override = it != overrides_.end();
    if (has_override) override_bytes = it->second;
    extra = extra_module_;
    own = own_module_;
    packed = packed_;
  }
  std::vector<VuResourceBlob> found;
  VuResourceBlob blob;
  if (directories_first) {
    if (FromDirectory(primary, "primary directory", id, type, &blob)) found.push_back(blob);
    if (FromDirectory(secondary, "secondary directory", id, type, &blob)) found.push_back(blob);
  }
  if (has_override && !override_bytes.empty())
    found.push_back({"override", u"", override_bytes});
  std::string bytes;
  if (extra && extra(id, type, &bytes) && !bytes.empty()) found.push_back({"extra module", u"", bytes});
  bytes.clear();
  if (packed && packed(std::to_string(id) + "." + type, &bytes) && !bytes.empty())
    found.push_back({"packed resources", u"", bytes});
  bytes.clear();
  if (own && own(id, type, &bytes) && !bytes.empty()) found.push_back({"program module", u"", bytes});
  if (!directories_first && FromDirectory(primary, "primary directory", id, type, &blob))
    found.push_back(blob);
  return found;
}

bool VuResourceLocator::Load(int id, const std::string& type, VuResourceBlob* out,
                             bool allow_overrides) const {
  std::vector<VuResourceBlob> all = LoadAll(id, type);
  for (VuResourceBlob& blob : all) {
    if (!allow_overrides && blob.source == "override") continue;
    *out = std::move(blob);
    return true;
  }
  return false;
}

void VuResourceLocator::SetProblemSink(ProblemSink sink) {
  std::lock_guard<std::mutex> guard(mutex_);
  sink_ = std::move(sink);
}

void VuResourceLocator::Report(int line, const std::string& message) {
  ProblemSink sink;
  VuLoadProblem problem;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    sink = sink_;
    problem.document = document_;
  }
  if (!sink) return;
  problem.line = line;
  problem.message = message;
  sink(problem);
}

VuResourceLocator::DocumentScope::DocumentScope(const std::string& document) {
  VuResourceLocator& locator = Instance();
  std::lock_guard<std::mutex> guard(locator.mutex_);
  previous_ = locator.document_;
  locator.document_ = document;
}

VuResourceLocator::DocumentScope::~DocumentScope() {
  VuResourceLocator& locator = Instance();
  std::lock_guard<std::mutex> guard(locator.mutex_);
  locator.document_ = previous_;
}

void VuResourceLocator::ResetForTest() {
  std::lock_guard<std::mutex> guard(mutex_);
  primary_.clear();
  secondary_.clear();
  directories_first_ = false;
  overrides_.clear();
  extra_module_ = nullptr;
  own_module_ = nullptr;
  packed_ = nullptr;
  sink_ = nullptr;
  document_.clear();
}
