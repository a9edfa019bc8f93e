// The libcurl calls Lumo makes, defined here so that libcurl is loaded the
// first time one of them is made instead of with the program. Linked
// directly, libcurl and the two dozen libraries it brings (TLS, Kerberos,
// LDAP, SSH, ...) are mapped and relocated before main runs, about 10 ms of
// every start, while the first request only goes out once the main window
// has been painted.
//
// Each definition forwards to the loaded library. When libcurl cannot be
// loaded the calls fail the way libcurl reports failures (no handle,
// CURLE_FAILED_INIT), so every request ends with an error instead of a crash.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>

namespace {

// Every libcurl call Lumo makes, once: the table of loaded functions and
// their lookups follow from this list.
#define LUMO_CURL_CALLS(CALL) \
    CALL(curl_global_init) \
    CALL(curl_global_cleanup) \
    CALL(curl_easy_init) \
    CALL(curl_easy_cleanup) \
    CALL(curl_easy_setopt) \
    CALL(curl_easy_perform) \
    CALL(curl_easy_getinfo) \
    CALL(curl_easy_strerror) \
    CALL(curl_free) \
    CALL(curl_multi_init) \
    CALL(curl_multi_cleanup) \
    CALL(curl_multi_add_handle) \
    CALL(curl_multi_remove_handle) \
    CALL(curl_multi_perform) \
    CALL(curl_multi_info_read) \
    CALL(curl_multi_poll) \
    CALL(curl_multi_wakeup) \
    CALL(curl_share_init) \
    CALL(curl_share_cleanup) \
    CALL(curl_share_setopt) \
    CALL(curl_slist_append) \
    CALL(curl_slist_free_all) \
    CALL(curl_url) \
    CALL(curl_url_cleanup) \
    CALL(curl_url_get) \
    CALL(curl_url_set)

struct CurlApi {
#define LUMO_CURL_MEMBER(name) decltype(&::name) name;
    LUMO_CURL_CALLS(LUMO_CURL_MEMBER)
#undef LUMO_CURL_MEMBER
};

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

CurlApi LoadApi(bool* loaded) {
    CurlApi api{};
    // Kept for the life of the process: handles and callbacks live in it.
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
#define LUMO_CURL_FIND(name) &&Find(library, #name, api.name)
    *loaded = library != nullptr LUMO_CURL_CALLS(LUMO_CURL_FIND);
#undef LUMO_CURL_FIND
    return api;
}

// The loaded library, or null when it cannot be had. Loaded once, by
// whichever thread asks first.
const CurlApi* Api() {
    static bool loaded = false;
    static const CurlApi api = LoadApi(&loaded);
    return loaded ? &api : nullptr;
}

}  // namespace

CURLcode curl_global_init(long flags) {
    const CurlApi* api = Api();
    return api ? api->curl_global_init(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup() {
    if (const CurlApi* api = Api()) api->curl_global_cleanup();
}

CURL* curl_easy_init() {
    const CurlApi* api = Api();
    return api ? api->curl_easy_init() : nullptr;
}

void curl_easy_cleanup(CURL* handle) {
    if (const CurlApi* api = Api()) api->curl_easy_cleanup(handle);
}

// libcurl reads the value by the option's type, which its number tells: a
// long, an object or function pointer, a curl_off_t, or a blob pointer.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    const CurlApi* api = Api();
    if (api == nullptr) return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = api->curl_easy_setopt(handle, option, va_arg(values, long));
    } else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB) {
        result = api->curl_easy_setopt(handle, option, va_arg(values, curl_off_t));
    } else {
        result = api->curl_easy_setopt(handle, option, va_arg(values, void*));
    }
    va_end(values);
    return result;
}

CURLcode curl_easy_perform(CURL* handle) {
    const CurlApi* api = Api();
    return api ? api->curl_easy_perform(handle) : CURLE_FAILED_INIT;
}

// Every piece of information is written through a pointer.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    const CurlApi* api = Api();
    if (api == nullptr) return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, info);
    const CURLcode result = api->curl_easy_getinfo(handle, info, va_arg(values, void*));
    va_end(values);
    return result;
}

const char* curl_easy_strerror(CURLcode code) {
    const CurlApi* api = Api();
    return api ? api->curl_easy_strerror(code) : "libcurl (libcurl.so.4) could not be loaded";
}

void curl_free(void* pointer) {
    if (const CurlApi* api = Api()) api->curl_free(pointer);
}

CURLM* curl_multi_init() {
    const CurlApi* api = Api();
    return api ? api->curl_multi_init() : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_cleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_add_handle(multi, handle) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_remove_handle(multi, handle) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_perform(multi, running) : CURLM_BAD_HANDLE;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_info_read(multi, left) : nullptr;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int extraCount, int timeoutMs, int* ready) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_poll(multi, extra, extraCount, timeoutMs, ready) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_wakeup(CURLM* multi) {
    const CurlApi* api = Api();
    return api ? api->curl_multi_wakeup(multi) : CURLM_BAD_HANDLE;
}

CURLSH* curl_share_init() {
    const CurlApi* api = Api();
    return api ? api->curl_share_init() : nullptr;
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
    const CurlApi* api = Api();
    return api ? api->curl_share_cleanup(share) : CURLSHE_INVALID;
}

// What to share is an int; the lock functions and user data are pointers.
CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    const CurlApi* api = Api();
    if (api == nullptr) return CURLSHE_INVALID;
    va_list values;
    va_start(values, option);
    CURLSHcode result;
    if (option == CURLSHOPT_SHARE || option == CURLSHOPT_UNSHARE) {
        result = api->curl_share_setopt(share, option, va_arg(values, int));
    } else {
        result = api->curl_share_setopt(share, option, va_arg(values, void*));
    }
    va_end(values);
    return result;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    const CurlApi* api = Api();
    return api ? api->curl_slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (const CurlApi* api = Api()) api->curl_slist_free_all(list);
}

CURLU* curl_url() {
    const CurlApi* api = Api();
    return api ? api->curl_url() : nullptr;
}

void curl_url_cleanup(CURLU* url) {
    if (const CurlApi* api = Api()) api->curl_url_cleanup(url);
}

CURLUcode curl_url_get(CURLU* url, CURLUPart part, char** text, unsigned int flags) {
    const CurlApi* api = Api();
    return api ? api->curl_url_get(url, part, text, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode curl_url_set(CURLU* url, CURLUPart part, const char* text, unsigned int flags) {
    const CurlApi* api = Api();
    return api ? api->curl_url_set(url, part, text, flags) : CURLUE_OUT_OF_MEMORY;
}
