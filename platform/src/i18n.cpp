// The device's internationalisation calls on the system's ICU.
//
// ICU is opened with dlopen at the first call instead of being linked: most
// processes of the device (the backup service among them) never format a date
// or a number, and a linked ICU would cost every one of them its relocations
// and mappings at start. The headers give the exact versioned symbol names
// and types of the ICU the build was made against, so a mismatch fails at
// load time with I18N_ERROR_NOT_SUPPORTED rather than misbehaving.

#define U_SHOW_CPLUSPLUS_API 0
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>
#include <unicode/uvernum.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <device/host.h>
#include <device/i18n.h>
#include <device/log.h>
#include <device/no_destructor.h>

namespace {

#define I18N_TEXT2(x) #x
#define I18N_TEXT(x) I18N_TEXT2(x)

constexpr const char* kIcuCommonLib = "libicuuc.so." I18N_TEXT(U_ICU_VERSION_MAJOR_NUM);
constexpr const char* kIcuI18nLib = "libicui18n.so." I18N_TEXT(U_ICU_VERSION_MAJOR_NUM);

// One pointer per ICU function; the names expand to ICU's versioned symbols.
// clang-format off
#define ICU_FUNCTIONS(X)                                                                 \
    X(uloc_getDefault) X(uloc_setDefault) X(udatpg_open) X(udatpg_close)                 \
    X(udatpg_getBestPattern) X(udat_open) X(udat_close) X(udat_format) X(unum_open)      \
    X(unum_close) X(unum_format) X(unum_formatDouble) X(u_strFromUTF8) X(u_strToUTF8)
// clang-format on

struct IcuApi {
#define ICU_MEMBER(name) decltype(&::name) name##_ = nullptr;
    ICU_FUNCTIONS(ICU_MEMBER)
#undef ICU_MEMBER
};

const IcuApi* LoadIcu()
{
    void* common = dlopen(kIcuCommonLib, RTLD_NOW | RTLD_LOCAL);
    void* i18n = common ? dlopen(kIcuI18nLib, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (i18n == nullptr) {
        dlog_print(DLOG_ERROR, "device-i18n", "cannot load ICU: %s", dlerror());
        return nullptr;
    }
    static IcuApi api;
    bool complete = true;
#define ICU_RESOLVE(name)                                                                                              \
    api.name##_ = reinterpret_cast<decltype(&::name)>(dlsym(i18n, I18N_TEXT(name)));                                   \
    if (api.name##_ == nullptr) {                                                                                      \
        dlog_print(DLOG_ERROR, "device-i18n", "ICU lacks %s", I18N_TEXT(name));                                        \
        complete = false;                                                                                              \
    }
    ICU_FUNCTIONS(ICU_RESOLVE)
#undef ICU_RESOLVE
    // The libraries stay loaded for the life of the process: ICU keeps caches.
    return complete ? &api : nullptr;
}

const IcuApi* Icu()
{
    static const IcuApi* api = LoadIcu();
    return api;
}

// Opening a pattern generator loads and merges the locale's calendar data
// (hundreds of microseconds, milliseconds when the data is cold), and even a
// clone of one costs more than the text it gives. One generator per locale is
// kept for the life of the process and every handle of that locale borrows
// it; the best pattern of a skeleton, which the locale data alone decides, is
// remembered per locale. Never destroyed: ICU keeps caches of its own too.
std::mutex gCacheMutex;

struct GeneratorHandle {
    std::string locale;
    UDateTimePatternGenerator* shared = nullptr;
};

NoDestructor<std::map<std::string, UDateTimePatternGenerator*>> gGenerators;
NoDestructor<std::map<std::u16string, std::u16string>> gBestPatterns;
constexpr size_t kMaxBestPatterns = 512;

// Opened date and number formatters by everything they were opened with.
// Only creation, formatting and destruction reach a formatter through these
// calls, so one kept after its handle is destroyed formats as a new one would,
// to the byte; opening one (locale data, custom zone, number symbols) costs
// ten times the formatting. A handle borrows the kept formatter of its key
// while no other handle holds it, else it gets one of its own.
struct KeptFormatter {
    void* formatter = nullptr;
    bool lent = false;
};

struct FormatterHandle {
    void* formatter = nullptr;
    KeptFormatter* kept = nullptr; // null: the handle's own formatter
};

NoDestructor<std::map<std::string, KeptFormatter>> gDateFormatters;
NoDestructor<std::map<std::string, KeptFormatter>> gNumberFormatters;
// Device zones and locales change rarely; the bound only stops a process that
// goes through many of them from growing without end.
constexpr size_t kMaxKeptFormatters = 128;

// Appends one length-prefixed part of a cache key.
void AddKeyPart(std::string* key, const void* data, size_t bytes)
{
    key->append(reinterpret_cast<const char*>(&bytes), sizeof bytes);
    key->append(reinterpret_cast<const char*>(data), bytes);
}

// A UTF-16 text part; a null text differs from every text.
void AddTextKeyPart(std::string* key, const i18n_uchar* text, int32_t length)
{
    if (text == nullptr) {
        key->push_back('\0');
        return;
    }
    size_t units = 0;
    if (length < 0) {
        while (text[units] != 0)
            ++units;
    } else {
        units = static_cast<size_t>(length);
    }
    key->push_back('\1');
    AddKeyPart(key, text, units * sizeof(i18n_uchar));
}

// Lends the kept formatter of a key, or keeps a newly opened one. Returns null
// when the caller has to open a formatter of its own (the kept one is lent).
KeptFormatter* Borrow(std::map<std::string, KeptFormatter>* kept, const std::string& key, void (*closeFormatter)(void*))
{
    std::lock_guard<std::mutex> guard(gCacheMutex);
    auto found = kept->find(key);
    if (found != kept->end()) {
        if (found->second.lent)
            return nullptr;
        found->second.lent = true;
        return &found->second;
    }
    if (kept->size() >= kMaxKeptFormatters) {
        for (auto it = kept->begin(); it != kept->end();) {
            if (it->second.lent) {
                ++it;
            } else {
                closeFormatter(it->second.formatter);
                it = kept->erase(it);
            }
        }
    }
    KeptFormatter& entry = (*kept)[key];
    entry.lent = true;
    return &entry;
}

// A kept entry that could not be filled (opening failed) is dropped.
void Forget(std::map<std::string, KeptFormatter>* kept, KeptFormatter* entry)
{
    std::lock_guard<std::mutex> guard(gCacheMutex);
    for (auto it = kept->begin(); it != kept->end(); ++it) {
        if (&it->second == entry) {
            kept->erase(it);
            return;
        }
    }
}

void GiveBack(KeptFormatter* entry)
{
    std::lock_guard<std::mutex> guard(gCacheMutex);
    entry->lent = false;
}

UDateTimePatternGenerator* SharedGenerator(const IcuApi* icu, const std::string& locale, UErrorCode* status)
{
    std::lock_guard<std::mutex> guard(gCacheMutex);
    auto found = gGenerators->find(locale);
    if (found == gGenerators->end()) {
        UDateTimePatternGenerator* opened = icu->udatpg_open_(locale.c_str(), status);
        if (U_FAILURE(*status)) {
            if (opened)
                icu->udatpg_close_(opened);
            return nullptr;
        }
        found = gGenerators->emplace(locale, opened).first;
    }
    return found->second;
}

int FromIcu(UErrorCode status)
{
    if (U_SUCCESS(status))
        return I18N_ERROR_NONE;
    switch (status) {
    case U_BUFFER_OVERFLOW_ERROR:
        return I18N_ERROR_BUFFER_OVERFLOW;
    case U_ILLEGAL_ARGUMENT_ERROR:
        return I18N_ERROR_INVALID_PARAMETER;
    case U_MEMORY_ALLOCATION_ERROR:
        return I18N_ERROR_OUT_OF_MEMORY;
    case U_INVALID_CHAR_FOUND:
    case U_ILLEGAL_CHAR_FOUND:
    case U_INVALID_FORMAT_ERROR:
    case U_PATTERN_SYNTAX_ERROR:
    case U_UNQUOTED_SPECIAL:
    case U_ILLEGAL_CHARACTER:
        return I18N_ERROR_INVALID_FORMAT;
    default:
        return I18N_ERROR_UNKNOWN;
    }
}

void CloseDateFormatter(void* formatter)
{
    Icu()->udat_close_(static_cast<UDateFormat*>(formatter));
}

void CloseNumberFormatter(void* formatter)
{
    Icu()->unum_close_(static_cast<UNumberFormat*>(formatter));
}

// The handle of a create call: the formatter kept under key, lent to it
// (opened with open() when the key has none yet), or a formatter of its own
// when there is no key or the kept one is lent already.
template <typename Open>
int MakeFormatterHandle(std::map<std::string, KeptFormatter>* cache, const std::string* key,
                        void (*closeFormatter)(void*), Open open, FormatterHandle** handle)
{
    KeptFormatter* kept = key ? Borrow(cache, *key, closeFormatter) : nullptr;
    void* formatter = kept ? kept->formatter : nullptr;
    if (formatter == nullptr) {
        UErrorCode status = U_ZERO_ERROR;
        formatter = open(&status);
        if (U_FAILURE(status)) {
            if (formatter)
                closeFormatter(formatter);
            if (kept)
                Forget(cache, kept);
            return FromIcu(status);
        }
        if (kept)
            kept->formatter = formatter;
    }
    *handle = new FormatterHandle{formatter, kept};
    return I18N_ERROR_NONE;
}

// A kept formatter goes back to its cache; a handle's own one is closed.
int DestroyFormatterHandle(void* handle, void (*closeFormatter)(void*))
{
    if (handle == nullptr)
        return I18N_ERROR_INVALID_PARAMETER;
    std::unique_ptr<FormatterHandle> owned(static_cast<FormatterHandle*>(handle));
    if (owned->kept)
        GiveBack(owned->kept);
    else
        closeFormatter(owned->formatter);
    return I18N_ERROR_NONE;
}

bool Faulted(const char* function)
{
    return device::ActiveFault(function) != device::Fault::None;
}

const UChar* AsIcu(const i18n_uchar* text)
{
    static_assert(sizeof(UChar) == sizeof(i18n_uchar), "UTF-16 code units");
    return reinterpret_cast<const UChar*>(text);
}

UChar* AsIcu(i18n_uchar* text)
{
    return reinterpret_cast<UChar*>(text);
}

bool BadOutput(const void* buffer, int32_t capacity)
{
    return capacity < 0 || (buffer == nullptr && capacity != 0);
}

// Runs one ICU call that writes a text and reports its length.
// Formats through call(dest, capacity, status). A text longer than capacity
// still leaves its first capacity units in result (ICU itself writes nothing
// then), with the overflow error and the whole length, so that a caller with
// a fixed buffer can keep a prefix.
template <typename Call> int WriteText(i18n_uchar* result, int32_t capacity, int32_t* resultLen, Call&& call)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = call(AsIcu(result), capacity, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && capacity > 0 && length > capacity) {
        std::vector<UChar> whole(static_cast<size_t>(length) + 1);
        UErrorCode again = U_ZERO_ERROR;
        call(whole.data(), length + 1, &again);
        if (U_SUCCESS(again))
            std::copy_n(whole.begin(), capacity, AsIcu(result));
    }
    if (resultLen)
        *resultLen = length;
    return FromIcu(status);
}

} // namespace

extern "C" {

int i18n_ulocale_get_default(const char** locale)
{
    if (locale == nullptr)
        return I18N_ERROR_INVALID_PARAMETER;
    if (Faulted("i18n_ulocale_get_default"))
        return I18N_ERROR_UNKNOWN;
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    *locale = icu->uloc_getDefault_();
    return *locale ? I18N_ERROR_NONE : I18N_ERROR_UNKNOWN;
}

int i18n_ulocale_set_default(const char* localeId)
{
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    // The data layer sets the default before every text, nearly always to the
    // same id, and ICU canonicalises and looks it up each time: the same id
    // while the default is still what that id gave is not passed on.
    static std::string lastId, lastDefault;
    static bool haveLast = false;
    std::lock_guard<std::mutex> guard(gCacheMutex);
    if (localeId != nullptr && haveLast && lastId == localeId && lastDefault == icu->uloc_getDefault_())
        return I18N_ERROR_NONE;
    UErrorCode status = U_ZERO_ERROR;
    icu->uloc_setDefault_(localeId, &status);
    haveLast = localeId != nullptr && U_SUCCESS(status);
    if (haveLast) {
        lastId = localeId;
        lastDefault = icu->uloc_getDefault_();
    }
    return FromIcu(status);
}

int i18n_udatepg_create(const char* locale, i18n_udatepg_h* dtpg)
{
    if (dtpg == nullptr)
        return I18N_ERROR_INVALID_PARAMETER;
    *dtpg = nullptr;
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    UErrorCode status = U_ZERO_ERROR;
    std::string key = locale ? locale : icu->uloc_getDefault_();
    UDateTimePatternGenerator* shared = SharedGenerator(icu, key, &status);
    if (U_FAILURE(status))
        return FromIcu(status);
    *dtpg = reinterpret_cast<i18n_udatepg_h>(new GeneratorHandle{std::move(key), shared});
    return I18N_ERROR_NONE;
}

int i18n_udatepg_destroy(i18n_udatepg_h dtpg)
{
    if (dtpg == nullptr)
        return I18N_ERROR_INVALID_PARAMETER;
    delete reinterpret_cast<GeneratorHandle*>(dtpg);
    return I18N_ERROR_NONE;
}

int i18n_udatepg_get_best_pattern(i18n_udatepg_h dtpg, const i18n_uchar* skeleton, int32_t len, i18n_uchar* bestPattern,
                                  int32_t capacity, int32_t* bestPatternLen)
{
    if (dtpg == nullptr || skeleton == nullptr || len < -1 || BadOutput(bestPattern, capacity))
        return I18N_ERROR_INVALID_PARAMETER;
    const GeneratorHandle* handle = reinterpret_cast<const GeneratorHandle*>(dtpg);
    thread_local std::u16string key;
    key.assign(handle->locale.begin(), handle->locale.end());
    key.push_back(u'\0');
    if (len < 0) {
        for (const i18n_uchar* unit = skeleton; *unit != 0; ++unit)
            key.push_back(static_cast<char16_t>(*unit));
    } else {
        key.append(reinterpret_cast<const char16_t*>(skeleton), static_cast<size_t>(len));
    }
    std::lock_guard<std::mutex> guard(gCacheMutex);
    auto found = gBestPatterns->find(key);
    // A remembered pattern answers only where ICU would write it whole and
    // terminated; every other case goes to ICU for its exact result.
    if (found != gBestPatterns->end() && found->second.size() < static_cast<size_t>(capacity)) {
        std::copy(found->second.begin(), found->second.end(), bestPattern);
        bestPattern[found->second.size()] = 0;
        if (bestPatternLen)
            *bestPatternLen = static_cast<int32_t>(found->second.size());
        return I18N_ERROR_NONE;
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t length =
        Icu()->udatpg_getBestPattern_(handle->shared, AsIcu(skeleton), len, AsIcu(bestPattern), capacity, &status);
    if (bestPatternLen)
        *bestPatternLen = length;
    if (status == U_ZERO_ERROR && length < capacity) {
        if (gBestPatterns->size() >= kMaxBestPatterns)
            gBestPatterns->clear();
        (*gBestPatterns)[key].assign(reinterpret_cast<const char16_t*>(bestPattern), static_cast<size_t>(length));
    }
    return FromIcu(status);
}

int i18n_udate_create(i18n_udate_format_style_e timeStyle, i18n_udate_format_style_e dateStyle, const char* locale,
                      const i18n_uchar* tzId, int32_t tzIdLen, const i18n_uchar* pattern, int32_t patternLen,
                      i18n_udate_format_h* format)
{
    if (format == nullptr || tzIdLen < -1 || patternLen < -1)
        return I18N_ERROR_INVALID_PARAMETER;
    *format = nullptr;
    if (Faulted("i18n_udate_create"))
        return I18N_ERROR_UNKNOWN;
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    // Without a locale or a zone ICU takes the process defaults, which may
    // change: such formatters are not kept.
    // Built in the same buffer on every call: no allocation per text.
    thread_local std::string key;
    key.clear();
    if (locale != nullptr && tzId != nullptr) {
        const int32_t styles[2] = {timeStyle, dateStyle};
        AddKeyPart(&key, styles, sizeof styles);
        AddKeyPart(&key, locale, strlen(locale));
        AddTextKeyPart(&key, tzId, tzIdLen);
        AddTextKeyPart(&key, pattern, patternLen);
    }
    FormatterHandle* handle = nullptr;
    const int ret = MakeFormatterHandle(
        gDateFormatters.get(), key.empty() ? nullptr : &key, CloseDateFormatter,
        [&](UErrorCode* status) {
            return icu->udat_open_(static_cast<UDateFormatStyle>(timeStyle), static_cast<UDateFormatStyle>(dateStyle),
                                   locale, AsIcu(tzId), tzIdLen, AsIcu(pattern), patternLen, status);
        },
        &handle);
    *format = reinterpret_cast<i18n_udate_format_h>(handle);
    return ret;
}

int i18n_udate_destroy(i18n_udate_format_h format)
{
    return DestroyFormatterHandle(format, CloseDateFormatter);
}

int i18n_udate_format_date(i18n_udate_format_h format, i18n_udate date, i18n_uchar* result, int32_t capacity,
                           int32_t* resultLen)
{
    if (format == nullptr || BadOutput(result, capacity))
        return I18N_ERROR_INVALID_PARAMETER;
    UDateFormat* formatter = static_cast<UDateFormat*>(reinterpret_cast<FormatterHandle*>(format)->formatter);
    return WriteText(result, capacity, resultLen, [&](UChar* dest, int32_t room, UErrorCode* status) {
        return Icu()->udat_format_(formatter, date, dest, room, nullptr, status);
    });
}

int i18n_unumber_create(i18n_unumber_format_style_e style, const i18n_uchar* pattern, int32_t patternLen,
                        const char* locale, i18n_unumber_format_h* numFormat)
{
    if (numFormat == nullptr || patternLen < -1)
        return I18N_ERROR_INVALID_PARAMETER;
    *numFormat = nullptr;
    if (Faulted("i18n_unumber_create"))
        return I18N_ERROR_UNKNOWN;
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    thread_local std::string key;
    key.clear();
    if (locale != nullptr) {
        const int32_t styles[1] = {style};
        AddKeyPart(&key, styles, sizeof styles);
        AddKeyPart(&key, locale, strlen(locale));
        AddTextKeyPart(&key, pattern, patternLen);
    }
    FormatterHandle* handle = nullptr;
    const int ret = MakeFormatterHandle(
        gNumberFormatters.get(), key.empty() ? nullptr : &key, CloseNumberFormatter,
        [&](UErrorCode* status) {
            return icu->unum_open_(static_cast<UNumberFormatStyle>(style), AsIcu(pattern), patternLen, locale, nullptr,
                                   status);
        },
        &handle);
    *numFormat = reinterpret_cast<i18n_unumber_format_h>(handle);
    return ret;
}

int i18n_unumber_destroy(i18n_unumber_format_h numFormat)
{
    return DestroyFormatterHandle(numFormat, CloseNumberFormatter);
}

int i18n_unumber_format(i18n_unumber_format_h numFormat, int32_t number, i18n_uchar* result, int32_t capacity,
                        int32_t* resultLen)
{
    if (numFormat == nullptr || BadOutput(result, capacity))
        return I18N_ERROR_INVALID_PARAMETER;
    UNumberFormat* formatter = static_cast<UNumberFormat*>(reinterpret_cast<FormatterHandle*>(numFormat)->formatter);
    return WriteText(result, capacity, resultLen, [&](UChar* dest, int32_t room, UErrorCode* status) {
        return Icu()->unum_format_(formatter, number, dest, room, nullptr, status);
    });
}

int i18n_unumber_format_double(i18n_unumber_format_h numFormat, double number, i18n_uchar* result, int32_t capacity,
                               int32_t* resultLen)
{
    if (numFormat == nullptr || BadOutput(result, capacity))
        return I18N_ERROR_INVALID_PARAMETER;
    UNumberFormat* formatter = static_cast<UNumberFormat*>(reinterpret_cast<FormatterHandle*>(numFormat)->formatter);
    return WriteText(result, capacity, resultLen, [&](UChar* dest, int32_t room, UErrorCode* status) {
        return Icu()->unum_formatDouble_(formatter, number, dest, room, nullptr, status);
    });
}

int i18n_ustring_from_utf8(const char* src, int32_t srcLen, i18n_uchar* dest, int32_t capacity, int32_t* destLen)
{
    if (src == nullptr || srcLen < -1 || BadOutput(dest, capacity))
        return I18N_ERROR_INVALID_PARAMETER;
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    icu->u_strFromUTF8_(AsIcu(dest), capacity, &length, src, srcLen, &status);
    if (destLen)
        *destLen = length;
    return FromIcu(status);
}

int i18n_ustring_to_utf8(const i18n_uchar* src, int32_t srcLen, char* dest, int32_t capacity, int32_t* destLen)
{
    if (src == nullptr || srcLen < -1 || BadOutput(dest, capacity))
        return I18N_ERROR_INVALID_PARAMETER;
    const IcuApi* icu = Icu();
    if (icu == nullptr)
        return I18N_ERROR_NOT_SUPPORTED;
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    icu->u_strToUTF8_(dest, capacity, &length, AsIcu(src), srcLen, &status);
    if (destLen)
        *destLen = length;
    return FromIcu(status);
}

} // extern "C"
