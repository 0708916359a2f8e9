/* VD_Inv.h: the whole interface of the VD_Inv module (VD_Inv.dll on Windows, VD_Inv.so on
 * Linux) as a host loads and calls it. Valid C (C99 and later) and C++; it needs nothing but
 * <stddef.h> and <stdint.h>.
 *
 * A host loads the module by path (LoadLibrary / dlopen), looks each export up by its plain
 * name (GetProcAddress / dlsym; VDINV_EXPORT_NAMES lists them) and calls it through the
 * matching function type below (VdInv_<name>_Fn). VdInvExports holds one pointer of each.
 *
 * Booleans. Every Boolean result and argument is one byte (uint8_t): 0 is false and any other
 * value is true. The module itself hands back 0 or 1.
 *
 * Texts. Every text that crosses the interface is GBK (code page 936), zero terminated, its
 * lengths counted in bytes. A text the module hands back through a char** argument belongs to
 * the host, which releases it:
 *   - Linux: allocated with malloc, released with free;
 *   - Windows: allocated with CoTaskMemAlloc and released with CoTaskMemFree, unless the
 *     registry value HKEY_LOCAL_MACHINE\Software\KORVI\VD_Inv "TextAllocator" names a module
 *     of the host process and two __stdcall exports of it ("module.dll,AllocName,FreeName"),
 *     whose allocator the module then uses for every text it hands back.
 * An empty text comes back as a null pointer. Wherever a char** argument receives a text, the
 * pointer itself may be null: the module then hands nothing back. The module never releases a
 * text the host passes in, and reads it only during the call.
 *
 * Threads. The driver keeps one driver object per host thread: IniDriver, IniDriverEx,
 * OnDataRead, OnDataWrite, GetDeviceStatus, WriteLog, DetectScanTime and FreeDriver act on the
 * calling thread's object, so a host polls a line from the thread that initialised it.
 * GetPDBLen, FullPDB and the configuration exports need no driver object.
 */
#ifndef VD_INV_H
#define VD_INV_H

#include <stddef.h>
#include <stdint.h>

/* The calling convention of every export: __stdcall on Windows (the callee pops its arguments;
 * the hosts are 32-bit programs, and on 64-bit Windows the keyword changes nothing), the
 * platform's C convention elsewhere. A function pointer called the other way leaves the stack
 * wrong after every call. */
#if defined(_WIN32)
#define VDINV_CALL __stdcall
#else
#define VDINV_CALL
#endif

/* A check of the records' layout at compile time, in C++ and in C11; before C11 a negative
 * array size stops the compiler instead. */
#if defined(__cplusplus)
#define VDINV_STATIC_ASSERT(condition, what) static_assert(condition, what)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VDINV_STATIC_ASSERT(condition, what) _Static_assert(condition, what)
#else
#define VDINV_STATIC_ASSERT_JOIN2(a, b) a##b
#define VDINV_STATIC_ASSERT_JOIN(a, b) VDINV_STATIC_ASSERT_JOIN2(a, b)
#define VDINV_STATIC_ASSERT(condition, what) \
  typedef char VDINV_STATIC_ASSERT_JOIN(vdinv_layout_check_, __LINE__)[(condition) ? 1 : -1]
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records --------------------------------------------------------------------------------
 * Packed, little-endian, with the same sizes and offsets on 32- and 64-bit targets. */
#pragma pack(push, 1)

/* An OLE VARIANT in 16 bytes: the type word at 0, the value at 8. The type words TTagInfo's
 * InitValue may carry: 0 empty, 1 null (as empty), 2 int16, 3 int32, 4 float, 5 double,
 * 11 bool (0 false, anything else true), 16 int8, 17 uint8, 18 uint16, 19 uint32, 22 int,
 * 23 unsigned int, 8 BSTR (a pointer at 8 to UTF-16LE text, its byte length as a uint32 just
 * before it), 30 LPSTR (a pointer at 8 to a zero-terminated GBK text). Any other type word
 * counts as empty. */
typedef struct TOleVariant {
  uint16_t vt;
  uint8_t reserved[6];
  uint8_t value[8];
} TOleVariant;

/* The host's description of one tag, handed to IniDriver. The module only reads it. */
typedef struct TTagInfo {
  uint32_t TagID;   /* the host's number for the tag, echoed in every TTagValue */
  char TagName[36]; /* GBK, zero terminated */
  char TagAddr[64]; /* GBK, zero terminated: the tag's address, e.g. "F1:3" */
  uint8_t DataType; /* VDINV_ANALOG, VDINV_SWITCH or VDINV_STRING */
  uint8_t pad1[3];
  uint32_t ScanPeriod; /* ms */
  uint8_t notRead[8];
  TOleVariant InitValue;
} TTagInfo;

/* One value of OnDataRead and OnDataWrite. */
typedef struct TTagValue {
  uint32_t TagID;
  double TimeStamp; /* days since 1899-12-30, local time (an OLE date) */
  uint32_t Quality;
  uint8_t DataType; /* VDINV_ANALOG, VDINV_SWITCH or VDINV_STRING */
  uint8_t pad[3];
  /* Eight bytes whatever the pointer width: a 32-bit text pointer takes the first four. */
  union {
    double analog;       /* VDINV_ANALOG */
    int32_t switchValue; /* VDINV_SWITCH: 0 or 1 */
    char* text;          /* VDINV_STRING: GBK, zero terminated; ownership at each export */
    uint8_t raw[8];
  } Value;
} TTagValue;

/* One address template of GetTagAddrList: a kind of address the host's tag editor offers. */
typedef struct TTagAddrTemplate {
  uint8_t prefixLen; /* a short string of up to 255 bytes (GBK), its length first */
  char prefix[255];
  uint8_t descriptionLen; /* the same for the description */
  char description[255];
  uint8_t tagType; /* VDINV_ANALOG, VDINV_SWITCH or VDINV_STRING */
  uint8_t access;
  uint8_t pad[2];
  double upperLimit;
  double lowerLimit;
  int32_t reserved;
} TTagAddrTemplate;

#pragma pack(pop)

/* DataType of TTagInfo and TTagValue, tagType of TTagAddrTemplate. */
#define VDINV_ANALOG 0
#define VDINV_SWITCH 1
#define VDINV_STRING 2

/* The length of the device parameter block: GetPDBLen's result. */
#define VDINV_PDB_LENGTH 26508

VDINV_STATIC_ASSERT(sizeof(void*) == 4 || sizeof(void*) == 8, "pointers of 32 or 64 bits");
VDINV_STATIC_ASSERT(sizeof(TOleVariant) == 16, "TOleVariant: 16 bytes");
VDINV_STATIC_ASSERT(offsetof(TOleVariant, value) == 8, "TOleVariant.value at 8");
VDINV_STATIC_ASSERT(sizeof(TTagInfo) == 136, "TTagInfo: 136 bytes");
VDINV_STATIC_ASSERT(offsetof(TTagInfo, TagName) == 4, "TTagInfo.TagName at 4");
VDINV_STATIC_ASSERT(offsetof(TTagInfo, TagAddr) == 40, "TTagInfo.TagAddr at 40");
VDINV_STATIC_ASSERT(offsetof(TTagInfo, DataType) == 104, "TTagInfo.DataType at 104");
VDINV_STATIC_ASSERT(offsetof(TTagInfo, ScanPeriod) == 108, "TTagInfo.ScanPeriod at 108");
VDINV_STATIC_ASSERT(offsetof(TTagInfo, InitValue) == 120, "TTagInfo.InitValue at 120");
VDINV_STATIC_ASSERT(sizeof(TTagValue) == 28, "TTagValue: 28 bytes");
VDINV_STATIC_ASSERT(offsetof(TTagValue, TimeStamp) == 4, "TTagValue.TimeStamp at 4");
VDINV_STATIC_ASSERT(offsetof(TTagValue, Quality) == 12, "TTagValue.Quality at 12");
VDINV_STATIC_ASSERT(offsetof(TTagValue, DataType) == 16, "TTagValue.DataType at 16");
VDINV_STATIC_ASSERT(offsetof(TTagValue, Value) == 20, "TTagValue.Value at 20");
VDINV_STATIC_ASSERT(sizeof(TTagAddrTemplate) == 536, "TTagAddrTemplate: 536 bytes");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, descriptionLen) == 256,
                    "TTagAddrTemplate.descriptionLen at 256");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, description) == 257,
                    "TTagAddrTemplate.description at 257");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, tagType) == 512, "TTagAddrTemplate.tagType at 512");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, access) == 513, "TTagAddrTemplate.access at 513");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, upperLimit) == 516,
                    "TTagAddrTemplate.upperLimit at 516");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, lowerLimit) == 524,
                    "TTagAddrTemplate.lowerLimit at 524");
VDINV_STATIC_ASSERT(offsetof(TTagAddrTemplate, reserved) == 532,
                    "TTagAddrTemplate.reserved at 532");

/* ---- The exports ------------------------------------------------------------------------- */

/* IniDriver: starts the calling thread's driver object on the parameter block pdb
 * (VDINV_PDB_LENGTH bytes, as FullPDB and the device wizard leave it) and the count tags that
 * tags points to (an array of count pointers): opens the block's serial port and sets the line
 * up; polling starts at the next OnDataRead. Non-zero when the driver started; 0 when it did
 * not, and then *msg says why.
 * Texts: pdb and the tags stay the host's and are read during the call only; *msg receives a
 * text the host owns.
 * When: once per thread before the other driver exports; again only after FreeDriver. */
typedef uint8_t(VDINV_CALL* VdInv_IniDriver_Fn)(int32_t count, TTagInfo** tags, void* pdb,
                                                char** msg);

/* IniDriverEx: hands the calling thread's driver an event it signals on a serious fault of the
 * line. On Windows faultEvent is an event HANDLE (SetEvent); on Linux a file descriptor (an
 * eventfd or a pipe's write end) to which the driver writes the 8-byte integer 1. 0: no event.
 * Always non-zero; without a driver object on the thread it does nothing.
 * When: after IniDriver, on the same thread. */
typedef uint8_t(VDINV_CALL* VdInv_IniDriverEx_Fn)(int32_t faultEvent);

/* OnDataRead: one poll. Steps the line (unless the driver runs it on a thread of its own) and
 * writes a record for every tag whose value or quality changed since it was last reported into
 * values, which has room for as many records as IniDriver was given tags; *count receives the
 * number written. *msg receives the driver's pending message for the host's event list (on a
 * thread without a driver: that the device is not initialised, and *count is 0).
 * Always non-zero.
 * Texts: the Value.text of each string record written, and *msg, are the host's to release.
 * When: after IniDriver, on the same thread, every DetectScanTime milliseconds. */
typedef uint8_t(VDINV_CALL* VdInv_OnDataRead_Fn)(int32_t* count, TTagValue* values, char** msg);

/* OnDataWrite: queues the count writes in values (TagID and a value of the tag's own type).
 * Writes go out ahead of reads at the next free exchange; a write that failed or expired is
 * reported at a later poll with its quality. The result is that of the last record that reached
 * a tag (non-zero: queued); 0 without a driver object or without records, with *msg saying so.
 * Texts: a string record's Value.text stays the host's and is read during the call only; *msg
 * is the host's to release.
 * When: after IniDriver, on the same thread. */
typedef uint8_t(VDINV_CALL* VdInv_OnDataWrite_Fn)(int32_t count, TTagValue* values, char** msg);

/* GetDeviceStatus: *msg receives the driver's pending message (on a thread without a driver:
 * that the device is not initialised), a text the host releases. Always non-zero.
 * When: at any time. */
typedef uint8_t(VDINV_CALL* VdInv_GetDeviceStatus_Fn)(char** msg);

/* WriteLog: switches the calling thread's driver log on (enable non-zero) or off (0) when the
 * driver has a message pending, and hands that message to *msg (a text the host releases, or
 * null).
 * When: after IniDriver, on the same thread; without a driver object *msg says that the device
 * is not initialised. */
typedef void(VDINV_CALL* VdInv_WriteLog_Fn)(uint8_t enable, char** msg);

/* DetectScanTime: the interval in ms at which the host calls OnDataRead: the calling thread's
 * driver's scan time, 1000 on a thread without a driver object.
 * When: at any time, usually right after IniDriver. */
typedef uint16_t(VDINV_CALL* VdInv_DetectScanTime_Fn)(void);

/* FreeDriver: stops the calling thread's driver object: closes its port and writes the run's
 * report to the log. Always non-zero. A thread that ends frees its object as well, and so does
 * unloading the module.
 * When: after IniDriver, on the same thread; without a driver object it does nothing. */
typedef uint8_t(VDINV_CALL* VdInv_FreeDriver_Fn)(void);

/* GetPDBLen: the length of the device parameter block in bytes (VDINV_PDB_LENGTH).
 * When: at any time. */
typedef int32_t(VDINV_CALL* VdInv_GetPDBLen_Fn)(void);

/* FullPDB: fills the host's block pdb (GetPDBLen bytes) with the driver's defaults and returns
 * pdb; null when pdb is null.
 * When: at any time, e.g. for a new line before DLLEdDev. */
typedef void*(VDINV_CALL* VdInv_FullPDB_Fn)(void* pdb);

/* DLLEdDev: the device wizard on the block pdb (GetPDBLen bytes), owned by the host window
 * hostWindow (an HWND on Windows, an X11 window id on Linux, or 0). 1 when the user finished
 * with a changed block, which is then written back into pdb; 2 otherwise: cancelled, nothing
 * changed, no usable display (nothing is shown) or a wizard already open in the process.
 * When: at any time; the call returns when the wizard closes. */
typedef int32_t(VDINV_CALL* VdInv_DLLEdDev_Fn)(uintptr_t hostWindow, void* pdb);

/* DLLTestDev: the device test: reads function code F03 of the smallest device of the block pdb,
 * up to six times one reply time-out apart. With interactive non-zero the test window shows
 * the exchange when a display is usable; with 0, or without a display, the same check runs
 * without a window. Non-zero when a reply was accepted.
 * When: at any time. */
typedef uint8_t(VDINV_CALL* VdInv_DLLTestDev_Fn)(void* pdb, uint8_t interactive);

/* TagEdAddr: the tag editor's check of the address *addr against the block pdb. 1 when the
 * address is valid, and then *addr receives its normal form (F1:5.-1 for f1:5); 0 when it is
 * not (or empty, or pdb is null), with the reason in *msg. skipCheck non-zero accepts any
 * address unchanged (1).
 * Texts: the host's text in *addr is read, never released, and replaced by a new text the host
 * owns (null for an empty address), so the host keeps its own pointer to release its text;
 * *msg is the host's to release.
 * When: at any time. */
typedef int32_t(VDINV_CALL* VdInv_TagEdAddr_Fn)(void* pdb, char** addr, uint8_t skipCheck,
                                                char** msg);

/* GetTagAddrList: the address templates of the host's tag editor. With list null, *count
 * receives the number of templates; otherwise the first *count templates (never more than
 * there are) are written into list, and *count is left as it is. reserved is not used.
 * When: at any time. */
typedef void(VDINV_CALL* VdInv_GetTagAddrList_Fn)(int32_t reserved, int32_t* count,
                                                  TTagAddrTemplate* list);

/* ---- The table of exports ------------------------------------------------------------------
 * Every export once, in this order: X(name, stack) for each, where stack is the number of
 * argument bytes the 32-bit __stdcall form takes off the stack (its linker symbol is
 * name@stack). The module's build makes its export files from this table and checks each
 * definition against VdInv_<name>_Fn.
 * The driver exports run a line; the configuration exports serve the host's editor (block,
 * devices, tag addresses), and a host that only runs lines may do without them. */
#define VDINV_DRIVER_EXPORTS(X) \
  X(IniDriver, 16)              \
  X(IniDriverEx, 4)             \
  X(OnDataRead, 12)             \
  X(OnDataWrite, 12)            \
  X(GetDeviceStatus, 4)         \
  X(WriteLog, 8)                \
  X(DetectScanTime, 0)          \
  X(FreeDriver, 0)              \
  X(GetPDBLen, 0)               \
  X(FullPDB, 4)
#define VDINV_CONFIG_EXPORTS(X) \
  X(DLLEdDev, 8)                \
  X(DLLTestDev, 8)              \
  X(TagEdAddr, 16)              \
  X(GetTagAddrList, 12)
#define VDINV_EXPORTS(X) VDINV_DRIVER_EXPORTS(X) VDINV_CONFIG_EXPORTS(X)

/* The export names as an initializer list of texts: {"IniDriver", "IniDriverEx", ...}. */
#define VDINV_EXPORT_NAME_TEXT(name, stack) #name,
#define VDINV_EXPORT_NAMES \
  { VDINV_EXPORTS(VDINV_EXPORT_NAME_TEXT) }

/* One pointer per export, named as the export, for a host to fill by looking the names up. */
#define VDINV_EXPORT_POINTER(name, stack) VdInv_##name##_Fn name;
typedef struct VdInvExports {
  VDINV_EXPORTS(VDINV_EXPORT_POINTER)
} VdInvExports;
#undef VDINV_EXPORT_POINTER

#ifdef __cplusplus
}
#endif

#endif /* VD_INV_H */
