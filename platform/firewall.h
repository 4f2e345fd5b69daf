// COM and the Windows Firewall's authorised-applications list.
#pragma once

#include "platform/types.h"

#if defined(_WIN32)
#include <netfw.h>
#else

typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef short VARIANT_BOOL;
#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))
#define STDMETHODCALLTYPE

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

struct INetFwAuthorizedApplication : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ProcessImageFileName(BSTR* path) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ProcessImageFileName(BSTR path) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) = 0;
};

struct INetFwAuthorizedApplications : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Add(INetFwAuthorizedApplication* app) = 0;
  virtual HRESULT STDMETHODCALLTYPE Remove(BSTR path) = 0;
  virtual HRESULT STDMETHODCALLTYPE Item(BSTR path, INetFwAuthorizedApplication** app) = 0;
};

struct INetFwProfile : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_AuthorizedApplications(
      INetFwAuthorizedApplications** apps) = 0;
};

struct INetFwPolicy : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_CurrentProfile(INetFwProfile** profile) = 0;
};

struct INetFwMgr : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_LocalPolicy(INetFwPolicy** policy) = 0;
};

// The interface and class ids are the system's; callers name them themselves.
HRESULT CoInitializeEx(LPVOID reserved, DWORD co_init);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         LPVOID* object);

BSTR SysAllocString(const OLECHAR* text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

#endif  // _WIN32
