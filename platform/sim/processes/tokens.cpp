// Security identifiers and access tokens on the simulated host. SIDs have the
// binary layout of Windows (revision, sub-authority count, 48-bit authority,
// 32-bit sub-authorities), so that they compare and copy byte for byte.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sessions.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/processes/SimTokens.h"

namespace {

constexpr BYTE kSidRevision = 1;
constexpr BYTE kMaxSubAuthorities = 15;
constexpr DWORD kMaximumAllowed = 0x02000000;
constexpr DWORD kGenericAll = 0x10000000;

constexpr DWORD kGroupDefault = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;

// A SID in its binary form.
std::string SidBytes(const std::string& text) {
  // "S-1-5-21-..." : revision, authority, then the sub-authorities.
  std::vector<unsigned long long> parts;
  if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text[1] != '-') return std::string();
  size_t pos = 2;
  while (pos <= text.size()) {
    size_t dash = text.find('-', pos);
    if (dash == std::string::npos) dash = text.size();
    std::string part = text.substr(pos, dash - pos);
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return std::string();
    parts.push_back(std::strtoull(part.c_str(), nullptr, 10));
    pos = dash + 1;
  }
  if (parts.size() < 2 || parts[0] != kSidRevision || parts.size() - 2 > kMaxSubAuthorities)
    return std::string();
  std::string sid(8 + 4 * (parts.size() - 2), '\0');
  sid[0] = static_cast<char>(kSidRevision);
  sid[1] = static_cast<char>(parts.size() - 2);
  for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<char>((parts[1] >> (8 * (5 - i))) & 0xFF);
  for (size_t i = 2; i < parts.size(); ++i) {
    DWORD value = static_cast<DWORD>(parts[i]);
    std::memcpy(&sid[8 + 4 * (i - 2)], &value, 4);  // little-endian, as on Windows
  }
  return sid;
}

struct Group {
  std::string sid;
  DWORD attributes;
};

bool UserIsAdmin(const SimIdentity& identity) {
  auto machine = SimHost::Machine();
  SimUser user;
  if (machine && SimFindUserBySid(*machine, identity.user_sid, &user)) return user.admin;
  return identity.kind != SimTokenKind::kStandard;
}

bool UserHasSplitToken(const SimIdentity& identity) {
  auto machine = SimHost::Machine();
  SimUser user;
  return machine && SimFindUserBySid(*machine, identity.user_sid, &user) && user.admin &&
         user.split_token;
}

std::vector<Group> GroupsOf(const SimIdentity& identity) {
  std::vector<Group> groups = {{SidBytes("S-1-1-0"), kGroupDefault}};  // Everyone
  if (UserIsAdmin(identity)) {
    // A limited token keeps the group, but only to deny access.
    DWORD attributes = identity.kind == SimTokenKind::kLimited
                           ? static_cast<DWORD>(SE_GROUP_USE_FOR_DENY_ONLY)
                           : static_cast<DWORD>(kGroupDefault | SE_GROUP_OWNER);
    groups.push_back({SidBytes("S-1-5-32-544"), attributes});
  }
  groups.push_back({SidBytes("S-1-5-32-545"), kGroupDefault});  // Users
  groups.push_back({SidBytes("S-1-5-4"), kGroupDefault});       // INTERACTIVE
  groups.push_back({SidBytes("S-1-5-11"), kGroupDefault});      // Authenticated Users
  return groups;
}

// The other token of a split-token administrator; false for anyone else.
bool LinkedIdentity(const SimIdentity& identity, SimIdentity* linked) {
  if (identity.kind == SimTokenKind::kStandard || !UserHasSplitToken(identity)) return false;
  *linked = identity;
  linked->kind = identity.kind == SimTokenKind::kElevated ? SimTokenKind::kLimited
                                                          : SimTokenKind::kElevated;
  return true;
}

DWORD MapTokenAccess(DWORD desired, DWORD original) {
  if (desired == 0) return original;
  if (desired & (kMaximumAllowed | kGenericAll)) return TOKEN_ALL_ACCESS;
  return desired;
}

// Copies a fixed-size answer with the sizing protocol of GetTokenInformation.
template <class T>
BOOL Answer(const T& value, LPVOID information, DWORD length, PDWORD return_length) {
  *return_length = sizeof(T);
  if (!information || length < sizeof(T)) return SimFail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(information, &value, sizeof(T));
  return TRUE;
}

}  // namespace

std::shared_ptr<SimToken> SimNewToken(const SimIdentity& identity) {
  auto token = std::make_shared<SimToken>();
  token->identity = identity;
  SimFillPrivileges(token.get());
  return token;
}

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE sub_authority_count,
                              DWORD sub_authority0, DWORD sub_authority1, DWORD sub_authority2,
                              DWORD sub_authority3, DWORD sub_authority4, DWORD sub_authority5,
                              DWORD sub_authority6, DWORD sub_authority7, PSID* sid) {
  if (!authority || !sid || sub_authority_count == 0 || sub_authority_count > 8)
    return SimFail(ERROR_INVALID_PARAMETER);
  const DWORD values[8] = {sub_authority0, sub_authority1, sub_authority2, sub_authority3,
                           sub_authority4, sub_authority5, sub_authority6, sub_authority7};
  auto* bytes = static_cast<BYTE*>(std::malloc(8 + 4 * sub_authority_count));
  if (!bytes) return SimFail(ERROR_NOT_ENOUGH_MEMORY);
  bytes[0] = kSidRevision;
  bytes[1] = sub_authority_count;
  std::memcpy(bytes + 2, authority->Value, 6);
  std::memcpy(bytes + 8, values, 4 * sub_authority_count);
  *sid = bytes;
  return TRUE;
}

PVOID FreeSid(PSID sid) {
  std::free(sid);
  return nullptr;
}

BOOL IsValidSid(PSID sid) {
  const auto* bytes = static_cast<const BYTE*>(sid);
  return bytes && bytes[0] == kSidRevision && bytes[1] <= kMaxSubAuthorities;
}

DWORD GetLengthSid(PSID sid) {
  const auto* bytes = static_cast<const BYTE*>(sid);
  return bytes ? 8u + 4u * bytes[1] : 0u;
}

BOOL EqualSid(PSID sid1, PSID sid2) {
  if (!IsValidSid(sid1) || !IsValidSid(sid2)) return SimFail(ERROR_INVALID_SID);
  SetLastError(ERROR_SUCCESS);
  const DWORD length = GetLengthSid(sid1);
  return length == GetLengthSid(sid2) && std::memcmp(sid1, sid2, length) == 0;
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS information_class,
                         LPVOID information, DWORD length, PDWORD return_length) {
  auto object = SimHandles::GetAs<SimTokenObject>(token);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->Allows(TOKEN_QUERY)) return SimFail(ERROR_ACCESS_DENIED);
  if (!return_length) return SimFail(ERROR_NOACCESS);
  SimToken& state = object->State();
  SimIdentity identity;
  TOKEN_TYPE type;
  {
    std::lock_guard<std::mutex> guard(state.mutex);
    identity = state.identity;
    type = state.type;
  }
  switch (information_class) {
    case TokenUser: {
      const std::string sid = SidBytes(identity.user_sid);
      const DWORD needed = static_cast<DWORD>(sizeof(TOKEN_USER) + sid.size());
      *return_length = needed;
      if (!information || length < needed) return SimFail(ERROR_INSUFFICIENT_BUFFER);
      auto* out = static_cast<TOKEN_USER*>(information);
      BYTE* sid_area = static_cast<BYTE*>(information) + sizeof(TOKEN_USER);
      std::memcpy(sid_area, sid.data(), sid.size());
      out->User.Sid = sid_area;
      out->User.Attributes = 0;
      return TRUE;
    }
    case TokenGroups: {
      const std::vector<Group> groups = GroupsOf(identity);
      const size_t header = offsetof(TOKEN_GROUPS, Groups) + groups.size() * sizeof(SID_AND_ATTRIBUTES);
      size_t needed = header;
      for (const auto& g : groups) needed += g.sid.size();
      *return_length = static_cast<DWORD>(needed);
      if (!information || length < needed) return SimFail(ERROR_INSUFFICIENT_BUFFER);
      auto* out = static_cast<TOKEN_GROUPS*>(information);
      out->GroupCount = static_cast<DWORD>(groups.size());
      SID_AND_ATTRIBUTES* entries = out->Groups;  // as many as the count says
      BYTE* sid_area = static_cast<BYTE*>(information) + header;
      for (size_t i = 0; i < groups.size(); ++i) {
        std::memcpy(sid_area, groups[i].sid.data(), groups[i].sid.size());
        entries[i].Sid = sid_area;
        entries[i].Attributes = groups[i].attributes;
        sid_area += groups[i].sid.size();
      }
      return TRUE;
    }
    case TokenSessionId:
      return Answer<DWORD>(identity.session, information, length, return_length);
    case TokenType:
      return Answer<TOKEN_TYPE>(type, information, length, return_length);
    case TokenElevationType: {
      TOKEN_ELEVATION_TYPE value = TokenElevationTypeDefault;
      if (identity.kind == SimTokenKind::kLimited) value = TokenElevationTypeLimited;
      else if (identity.kind == SimTokenKind::kElevated && UserHasSplitToken(identity))
        value = TokenElevationTypeFull;
      return Answer(value, information, length, return_length);
    }
    case TokenElevation: {
      TOKEN_ELEVATION value = {identity.kind == SimTokenKind::kElevated ? 1u : 0u};
      return Answer(value, information, length, return_length);
    }
    case TokenLinkedToken: {
      *return_length = sizeof(TOKEN_LINKED_TOKEN);
      if (!information || length < sizeof(TOKEN_LINKED_TOKEN))
        return SimFail(ERROR_INSUFFICIENT_BUFFER);
      SimIdentity linked;
      if (!LinkedIdentity(identity, &linked)) return SimFail(ERROR_NO_SUCH_LOGON_SESSION);
      // Only a caller with SeTcbPrivilege enabled gets a token it could start
      // a program with; anyone else may only look at it.
      auto token_state = SimNewToken(linked);
      if (!SimOwnTokenEnables(kSimTcbLuid)) {
        token_state->type = TokenImpersonation;
        token_state->level = SecurityIdentification;
      }
      TOKEN_LINKED_TOKEN value = {
          SimHandles::Add(std::make_shared<SimTokenObject>(token_state, TOKEN_ALL_ACCESS))};
      std::memcpy(information, &value, sizeof(value));
      return TRUE;
    }
    default:
      return SimFail(ERROR_INVALID_PARAMETER);
  }
}

BOOL SetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS information_class,
                         LPVOID information, DWORD length) {
  auto object = SimHandles::GetAs<SimTokenObject>(token);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (information_class != TokenSessionId) return SimFail(ERROR_INVALID_PARAMETER);
  if (!object->Allows(TOKEN_ADJUST_SESSIONID)) return SimFail(ERROR_ACCESS_DENIED);
  if (!information || length < sizeof(DWORD)) return SimFail(ERROR_BAD_LENGTH);
  if (!SimOwnTokenEnables(kSimTcbLuid)) return SimFail(ERROR_PRIVILEGE_NOT_HELD);
  DWORD session = 0;
  std::memcpy(&session, information, sizeof(session));
  SimToken& state = object->State();
  std::lock_guard<std::mutex> guard(state.mutex);
  state.identity.session = session;
  return TRUE;
}

BOOL DuplicateTokenEx(HANDLE token, DWORD desired_access, LPSECURITY_ATTRIBUTES,
                      SECURITY_IMPERSONATION_LEVEL impersonation_level, TOKEN_TYPE token_type,
                      PHANDLE new_token) {
  auto object = SimHandles::GetAs<SimTokenObject>(token);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->Allows(TOKEN_DUPLICATE)) return SimFail(ERROR_ACCESS_DENIED);
  if (!new_token || (token_type != TokenPrimary && token_type != TokenImpersonation) ||
      impersonation_level < SecurityAnonymous || impersonation_level > SecurityDelegation)
    return SimFail(ERROR_INVALID_PARAMETER);
  auto copy = std::make_shared<SimToken>();
  {
    SimToken& state = object->State();
    std::lock_guard<std::mutex> guard(state.mutex);
    // An impersonation token cannot become a better one than it is.
    if (state.type == TokenImpersonation && impersonation_level > state.level)
      return SimFail(ERROR_BAD_IMPERSONATION_LEVEL);
    // Nor can an identification token become one that runs a program.
    if (state.type == TokenImpersonation && token_type == TokenPrimary &&
        state.level < SecurityImpersonation)
      return SimFail(ERROR_BAD_IMPERSONATION_LEVEL);
    copy->held = state.held;
    copy->identity = state.identity;
    copy->lineage = state.lineage;
  }
  copy->type = token_type;
  copy->level = token_type == TokenImpersonation ? impersonation_level : SecurityAnonymous;
  *new_token = SimHandles::Add(
      std::make_shared<SimTokenObject>(copy, MapTokenAccess(desired_access, object->Access())));
  return TRUE;
}
