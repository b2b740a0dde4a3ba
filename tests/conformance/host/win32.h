// The few Windows types and functions the conformance host calls, declared here because the host
// is built without any Microsoft header or library: clang compiles it for the player's ABI and
// lld-link links it against import libraries made from the .def files beside this header.
//
// Every function is __stdcall (WINAPI) except where noted; on x86 the .def files list them under
// their decorated names, so a wrong argument size here fails the link instead of the stack.
#pragma once

#include <stddef.h>  // NOLINT(modernize-deprecated-headers): no C++ library here
#include <stdint.h>  // NOLINT(modernize-deprecated-headers)

using BOOL = int;
using BYTE = unsigned char;
using WORD = unsigned short;
using DWORD = unsigned long;  // 32 bits on Windows, on both architectures
using LONG = long;
using UINT = unsigned int;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HANDLE = void*;

struct WindowObject;
using HWND = WindowObject*;
struct ModuleObject;
using HMODULE = ModuleObject*;
struct MenuObject;
using HMENU = MenuObject*;
using HINTERNET = void*;
using HCERTSTORE = void*;
struct CertContext;  // CERT_CONTEXT: used only through pointers the system hands out
using PCCERT_CONTEXT = const CertContext*;

#define WINAPI __stdcall
#define WIN32_IMPORT extern "C" __declspec(dllimport)

inline constexpr DWORD kInfinite = 0xFFFFFFFF;
inline constexpr DWORD kWaitObject0 = 0;
inline constexpr DWORD kWaitTimeout = 258;
inline constexpr DWORD kStdOutputHandle = static_cast<DWORD>(-11);
inline constexpr DWORD kGenericRead = 0x80000000;
inline constexpr DWORD kFileShareAll = 7;  // read, write and delete
inline constexpr DWORD kOpenExisting = 3;
inline constexpr UINT kCodePageUtf8 = 65001;
inline constexpr DWORD kFileNotifyChangeLastWrite = 0x10;
inline constexpr DWORD kFileNotifyChangeFileName = 0x01;
inline constexpr DWORD kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr DWORD kFileAttributeDirectory = 0x10;

struct FileTime {  // FILETIME: 100 ns since 1601, UTC or local
  DWORD low;
  DWORD high;
};
struct SystemTime {  // SYSTEMTIME
  WORD year;
  WORD month;
  WORD day_of_week;
  WORD day;
  WORD hour;
  WORD minute;
  WORD second;
  WORD milliseconds;
};
struct FindData {  // WIN32_FIND_DATAW
  DWORD attributes;
  FileTime created;
  FileTime accessed;
  FileTime written;
  DWORD size_high;
  DWORD size_low;
  DWORD reserved[2];
  wchar_t name[260];
  wchar_t short_name[14];
};

struct SrwLock {
  void* state = nullptr;
};

struct ExceptionRecord {
  DWORD code;
  DWORD flags;
  ExceptionRecord* next;
  void* address;
  DWORD parameter_count;
  uintptr_t parameters[15];
};
struct ExceptionPointers {
  ExceptionRecord* record;
  void* context;
};
using ExceptionFilter = LONG(WINAPI*)(ExceptionPointers*);
inline constexpr LONG kExceptionExecuteHandler = 1;

// kernel32.dll
WIN32_IMPORT HANDLE WINAPI GetStdHandle(DWORD which);
WIN32_IMPORT BOOL WINAPI WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written,
                                   void* overlapped);
WIN32_IMPORT BOOL WINAPI ReadFile(HANDLE file, void* data, DWORD size, DWORD* read,
                                  void* overlapped);
WIN32_IMPORT HANDLE WINAPI CreateFileW(const wchar_t* path, DWORD access, DWORD share,
                                       void* security, DWORD disposition, DWORD flags,
                                       HANDLE template_file);
WIN32_IMPORT BOOL WINAPI DeleteFileW(const wchar_t* path);
WIN32_IMPORT BOOL WINAPI CreateDirectoryW(const wchar_t* path, void* security);
WIN32_IMPORT BOOL WINAPI RemoveDirectoryW(const wchar_t* path);
WIN32_IMPORT DWORD WINAPI GetFileAttributesW(const wchar_t* path);
WIN32_IMPORT HANDLE WINAPI FindFirstFileW(const wchar_t* pattern, FindData* found);
WIN32_IMPORT BOOL WINAPI FindNextFileW(HANDLE search, FindData* found);
WIN32_IMPORT BOOL WINAPI FindClose(HANDLE search);
WIN32_IMPORT BOOL WINAPI FileTimeToLocalFileTime(const FileTime* utc, FileTime* local);
WIN32_IMPORT BOOL WINAPI FileTimeToSystemTime(const FileTime* time, SystemTime* fields);
WIN32_IMPORT __declspec(noreturn) void WINAPI ExitProcess(UINT code);
WIN32_IMPORT DWORD WINAPI GetLastError();
WIN32_IMPORT HMODULE WINAPI LoadLibraryW(const wchar_t* path);
WIN32_IMPORT BOOL WINAPI FreeLibrary(HMODULE module);
WIN32_IMPORT void* WINAPI GetProcAddress(HMODULE module, const char* name);
WIN32_IMPORT HMODULE WINAPI GetModuleHandleW(const wchar_t* name);
// flags 6: from an address, without taking a reference
WIN32_IMPORT BOOL WINAPI GetModuleHandleExW(DWORD flags, const void* address, HMODULE* module);
WIN32_IMPORT DWORD WINAPI GetModuleFileNameW(HMODULE module, wchar_t* path, DWORD size);
WIN32_IMPORT HANDLE WINAPI CreateEventW(void* security, BOOL manual_reset, BOOL initial_state,
                                        const wchar_t* name);
WIN32_IMPORT BOOL WINAPI SetEvent(HANDLE event);
WIN32_IMPORT BOOL WINAPI CloseHandle(HANDLE handle);
WIN32_IMPORT DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
WIN32_IMPORT DWORD WINAPI GetCurrentThreadId();
WIN32_IMPORT DWORD WINAPI GetTickCount();
WIN32_IMPORT void WINAPI AcquireSRWLockExclusive(SrwLock* lock);
WIN32_IMPORT void WINAPI ReleaseSRWLockExclusive(SrwLock* lock);
WIN32_IMPORT HANDLE WINAPI GetProcessHeap();
WIN32_IMPORT void* WINAPI HeapAlloc(HANDLE heap, DWORD flags, size_t size);
WIN32_IMPORT BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, void* block);
WIN32_IMPORT void* WINAPI GlobalFree(void* block);
WIN32_IMPORT DWORD WINAPI GetEnvironmentVariableW(const wchar_t* name, wchar_t* value, DWORD size);
WIN32_IMPORT int WINAPI MultiByteToWideChar(UINT code_page, DWORD flags, const char* text, int size,
                                            wchar_t* wide, int wide_size);
WIN32_IMPORT int WINAPI WideCharToMultiByte(UINT code_page, DWORD flags, const wchar_t* wide,
                                            int wide_size, char* text, int size,
                                            const char* default_char, BOOL* used_default);
WIN32_IMPORT ExceptionFilter WINAPI SetUnhandledExceptionFilter(ExceptionFilter filter);
WIN32_IMPORT HANDLE WINAPI FindFirstChangeNotificationW(const wchar_t* path, BOOL subtree,
                                                        DWORD filter);
WIN32_IMPORT BOOL WINAPI FindNextChangeNotification(HANDLE handle);
WIN32_IMPORT BOOL WINAPI FindCloseChangeNotification(HANDLE handle);

// ntdll.dll: a call when a library leaves the process, so that its unload is an event.
struct LdrUnloadedData {
  DWORD flags;
  const void* full_name;  // UNICODE_STRING*
  const void* base_name;
  void* base;
  DWORD size;
};
using LdrNotification = void(WINAPI*)(DWORD reason, const LdrUnloadedData* data, void* context);
inline constexpr DWORD kLdrReasonUnloaded = 2;
WIN32_IMPORT LONG WINAPI LdrRegisterDllNotification(DWORD flags, LdrNotification callback,
                                                    void* context, void** cookie);
WIN32_IMPORT LONG WINAPI LdrUnregisterDllNotification(void* cookie);

// user32.dll
using WindowProcedure = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
struct WindowClass {  // WNDCLASSEXW
  UINT size;
  UINT style;
  WindowProcedure procedure;
  int class_extra;
  int window_extra;
  HMODULE instance;
  void* icon;
  void* cursor;
  void* background;
  const wchar_t* menu_name;
  const wchar_t* class_name;
  void* small_icon;
};
struct Point {
  LONG x;
  LONG y;
};
struct Message {  // MSG
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  DWORD time;
  Point point;
};
inline constexpr UINT kWmApp = 0x8000;
inline constexpr UINT kWmCommand = 0x0111;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr UINT kWmInitDialog = 0x0110;
inline constexpr DWORD kBsDefPushButton = 1;  // a button's style, its low four bits
inline constexpr int kWhCallWndProcRet = 12;
inline constexpr int kHcAction = 0;
inline constexpr UINT kGwOwner = 4;
inline constexpr UINT kBmGetCheck = 0x00F0;
inline constexpr UINT kBmClick = 0x00F5;
inline constexpr DWORD kWsChild = 0x40000000;
inline constexpr DWORD kWsVisible = 0x10000000;
inline constexpr DWORD kWsOverlappedWindow = 0x00CF0000;
inline constexpr int kGwlStyle = -16;
inline constexpr int kSwShow = 5;
inline constexpr UINT kPmRemove = 1;
inline constexpr DWORD kQsAllInput = 0x04FF;
inline constexpr int kCwUseDefault = static_cast<int>(0x80000000);

WIN32_IMPORT WORD WINAPI RegisterClassExW(const WindowClass* window_class);
WIN32_IMPORT HWND WINAPI CreateWindowExW(DWORD ex_style, const wchar_t* class_name,
                                         const wchar_t* title, DWORD style, int x, int y, int width,
                                         int height, HWND parent, HMENU menu, HMODULE instance,
                                         void* parameter);
WIN32_IMPORT LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
WIN32_IMPORT BOOL WINAPI DestroyWindow(HWND window);
WIN32_IMPORT BOOL WINAPI ShowWindow(HWND window, int command);
WIN32_IMPORT BOOL WINAPI IsWindow(HWND window);
WIN32_IMPORT HWND WINAPI GetParent(HWND window);
WIN32_IMPORT LONG WINAPI GetWindowLongW(HWND window, int index);
WIN32_IMPORT int WINAPI GetClassNameW(HWND window, wchar_t* name, int size);
WIN32_IMPORT int WINAPI GetWindowTextW(HWND window, wchar_t* text, int size);
WIN32_IMPORT HWND WINAPI GetDlgItem(HWND dialog, int id);
WIN32_IMPORT LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
WIN32_IMPORT HWND WINAPI SetActiveWindow(HWND window);
WIN32_IMPORT BOOL WINAPI PeekMessageW(Message* message, HWND window, UINT first, UINT last,
                                      UINT remove);
WIN32_IMPORT BOOL WINAPI TranslateMessage(const Message* message);
WIN32_IMPORT LRESULT WINAPI DispatchMessageW(const Message* message);
WIN32_IMPORT BOOL WINAPI IsDialogMessageW(HWND dialog, Message* message);
WIN32_IMPORT BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
WIN32_IMPORT HWND WINAPI GetWindow(HWND window, UINT relation);
WIN32_IMPORT BOOL WINAPI IsWindowEnabled(HWND window);
// A hook of this thread's window messages (WH_CALLWNDPROCRET), to see a message box as it is
// set up.
struct HandledMessage {  // CWPRETSTRUCT
  LRESULT result;
  LPARAM lparam;
  WPARAM wparam;
  UINT message;
  HWND window;
};
struct HookObject;
using HHOOK = HookObject*;
using HookProcedure = LRESULT(WINAPI*)(int code, WPARAM wparam, LPARAM lparam);
WIN32_IMPORT HHOOK WINAPI SetWindowsHookExW(int kind, HookProcedure procedure, HMODULE module,
                                            DWORD thread);
WIN32_IMPORT BOOL WINAPI UnhookWindowsHookEx(HHOOK hook);
WIN32_IMPORT LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wparam, LPARAM lparam);
WIN32_IMPORT DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles,
                                                    BOOL wait_all, DWORD milliseconds,
                                                    DWORD wake_mask);

// crypt32.dll
inline constexpr DWORD kX509Encoding = 1;                      // X509_ASN_ENCODING
inline constexpr DWORD kSystemStoreCurrentUser = 1U << 16U;    // CERT_SYSTEM_STORE_CURRENT_USER
inline constexpr DWORD kStoreAddReplaceExisting = 3;           // CERT_STORE_ADD_REPLACE_EXISTING
inline constexpr DWORD kFindSubjectString = (8U << 16U) | 7U;  // CERT_FIND_SUBJECT_STR_W
// CERT_STORE_PROV_SYSTEM_REGISTRY_W
inline const char* const kStoreProviderSystemRegistry = reinterpret_cast<const char*>(13);
WIN32_IMPORT HCERTSTORE WINAPI CertOpenStore(const char* provider, DWORD encoding,
                                             uintptr_t crypt_provider, DWORD flags,
                                             const void* parameter);
WIN32_IMPORT BOOL WINAPI CertCloseStore(HCERTSTORE store, DWORD flags);
WIN32_IMPORT BOOL WINAPI CertAddEncodedCertificateToStore(HCERTSTORE store, DWORD encoding,
                                                          const BYTE* data, DWORD size,
                                                          DWORD disposition, PCCERT_CONTEXT* added);
WIN32_IMPORT PCCERT_CONTEXT WINAPI CertFindCertificateInStore(HCERTSTORE store, DWORD encoding,
                                                              DWORD find_flags, DWORD find_type,
                                                              const void* find_parameter,
                                                              PCCERT_CONTEXT previous);
WIN32_IMPORT BOOL WINAPI CertDeleteCertificateFromStore(PCCERT_CONTEXT certificate);

// winhttp.dll
struct ProxyInfo {  // WINHTTP_PROXY_INFO
  DWORD access_type;
  wchar_t* proxy;
  wchar_t* bypass;
};
inline constexpr DWORD kWinHttpNoProxy = 1;
inline constexpr DWORD kWinHttpNamedProxy = 3;
inline constexpr DWORD kWinHttpFlagSecure = 0x00800000;
inline constexpr DWORD kWinHttpQueryStatusNumber = 19U | 0x20000000U;
WIN32_IMPORT HINTERNET WINAPI WinHttpOpen(const wchar_t* agent, DWORD access_type,
                                          const wchar_t* proxy, const wchar_t* bypass, DWORD flags);
WIN32_IMPORT HINTERNET WINAPI WinHttpConnect(HINTERNET session, const wchar_t* host, WORD port,
                                             DWORD reserved);
WIN32_IMPORT HINTERNET WINAPI WinHttpOpenRequest(HINTERNET connection, const wchar_t* verb,
                                                 const wchar_t* path, const wchar_t* version,
                                                 const wchar_t* referrer,
                                                 const wchar_t** accept_types, DWORD flags);
WIN32_IMPORT BOOL WINAPI WinHttpSendRequest(HINTERNET request, const wchar_t* headers,
                                            DWORD headers_size, void* body, DWORD body_size,
                                            DWORD total_size, uintptr_t context);
WIN32_IMPORT BOOL WINAPI WinHttpReceiveResponse(HINTERNET request, void* reserved);
WIN32_IMPORT BOOL WINAPI WinHttpQueryHeaders(HINTERNET request, DWORD level, const wchar_t* name,
                                             void* buffer, DWORD* size, DWORD* index);
WIN32_IMPORT BOOL WINAPI WinHttpReadData(HINTERNET request, void* buffer, DWORD size, DWORD* read);
WIN32_IMPORT BOOL WINAPI WinHttpSetTimeouts(HINTERNET handle, int resolve, int connect, int send,
                                            int receive);
WIN32_IMPORT BOOL WINAPI WinHttpCloseHandle(HINTERNET handle);
WIN32_IMPORT BOOL WINAPI WinHttpGetDefaultProxyConfiguration(ProxyInfo* info);

// msvcrt.dll, the system's C runtime (cdecl): what clang itself may call for copies and fills,
// and the clock.
extern "C" {
__declspec(dllimport) void* __cdecl memcpy(void* to, const void* from, size_t size);
__declspec(dllimport) void* __cdecl memmove(void* to, const void* from, size_t size);
__declspec(dllimport) void* __cdecl memset(void* to, int value, size_t size);
__declspec(dllimport) int __cdecl memcmp(const void* a, const void* b, size_t size);
__declspec(dllimport) size_t __cdecl strlen(const char* text);
__declspec(dllimport) int32_t __cdecl _time32(int32_t* now);
}
