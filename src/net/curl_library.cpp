// The libcurl calls Lumo makes, defined here so that libcurl is loaded the
// first time one of them is made instead of with the program. Linked
// directly, libcurl and the two dozen libraries it brings (TLS, Kerberos,
// LDAP, SSH, ...) are mapped and relocated before main runs, about 13 ms of
// every start, while the first request only goes out once the window is
// being built.
//
// Each definition forwards to the loaded library. When libcurl cannot be
// loaded the calls fail the way libcurl reports failures (no handle,
// CURLE_FAILED_INIT), so every request ends with an error instead of a crash.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>

namespace {

struct CurlApi {
    decltype(&curl_global_init) globalInit;
    decltype(&curl_global_cleanup) globalCleanup;
    decltype(&curl_easy_init) easyInit;
    decltype(&curl_easy_cleanup) easyCleanup;
    decltype(&curl_easy_setopt) easySetopt;
    decltype(&curl_easy_perform) easyPerform;
    decltype(&curl_easy_getinfo) easyGetinfo;
    decltype(&curl_easy_strerror) easyStrerror;
    decltype(&curl_free) free;
    decltype(&curl_multi_init) multiInit;
    decltype(&curl_multi_cleanup) multiCleanup;
    decltype(&curl_multi_add_handle) multiAddHandle;
    decltype(&curl_multi_remove_handle) multiRemoveHandle;
    decltype(&curl_multi_perform) multiPerform;
    decltype(&curl_multi_info_read) multiInfoRead;
    decltype(&curl_multi_poll) multiPoll;
    decltype(&curl_multi_wakeup) multiWakeup;
    decltype(&curl_share_init) shareInit;
    decltype(&curl_share_cleanup) shareCleanup;
    decltype(&curl_share_setopt) shareSetopt;
    decltype(&curl_slist_append) slistAppend;
    decltype(&curl_slist_free_all) slistFreeAll;
    decltype(&curl_url) url;
    decltype(&curl_url_cleanup) urlCleanup;
    decltype(&curl_url_get) urlGet;
    decltype(&curl_url_set) urlSet;
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
    *loaded = library != nullptr && Find(library, "curl_global_init", api.globalInit) &&
              Find(library, "curl_global_cleanup", api.globalCleanup) &&
              Find(library, "curl_easy_init", api.easyInit) && Find(library, "curl_easy_cleanup", api.easyCleanup) &&
              Find(library, "curl_easy_setopt", api.easySetopt) && Find(library, "curl_easy_perform", api.easyPerform) &&
              Find(library, "curl_easy_getinfo", api.easyGetinfo) &&
              Find(library, "curl_easy_strerror", api.easyStrerror) && Find(library, "curl_free", api.free) &&
              Find(library, "curl_multi_init", api.multiInit) && Find(library, "curl_multi_cleanup", api.multiCleanup) &&
              Find(library, "curl_multi_add_handle", api.multiAddHandle) &&
              Find(library, "curl_multi_remove_handle", api.multiRemoveHandle) &&
              Find(library, "curl_multi_perform", api.multiPerform) &&
              Find(library, "curl_multi_info_read", api.multiInfoRead) &&
              Find(library, "curl_multi_poll", api.multiPoll) && Find(library, "curl_multi_wakeup", api.multiWakeup) &&
              Find(library, "curl_share_init", api.shareInit) && Find(library, "curl_share_cleanup", api.shareCleanup) &&
              Find(library, "curl_share_setopt", api.shareSetopt) &&
              Find(library, "curl_slist_append", api.slistAppend) &&
              Find(library, "curl_slist_free_all", api.slistFreeAll) && Find(library, "curl_url", api.url) &&
              Find(library, "curl_url_cleanup", api.urlCleanup) && Find(library, "curl_url_get", api.urlGet) &&
              Find(library, "curl_url_set", api.urlSet);
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
    return api ? api->globalInit(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup() {
    if (const CurlApi* api = Api()) api->globalCleanup();
}

CURL* curl_easy_init() {
    const CurlApi* api = Api();
    return api ? api->easyInit() : nullptr;
}

void curl_easy_cleanup(CURL* handle) {
    if (const CurlApi* api = Api()) api->easyCleanup(handle);
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
        result = api->easySetopt(handle, option, va_arg(values, long));
    } else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB) {
        result = api->easySetopt(handle, option, va_arg(values, curl_off_t));
    } else {
        result = api->easySetopt(handle, option, va_arg(values, void*));
    }
    va_end(values);
    return result;
}

CURLcode curl_easy_perform(CURL* handle) {
    const CurlApi* api = Api();
    return api ? api->easyPerform(handle) : CURLE_FAILED_INIT;
}

// Every piece of information is written through a pointer.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    const CurlApi* api = Api();
    if (api == nullptr) return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, info);
    const CURLcode result = api->easyGetinfo(handle, info, va_arg(values, void*));
    va_end(values);
    return result;
}

const char* curl_easy_strerror(CURLcode code) {
    const CurlApi* api = Api();
    return api ? api->easyStrerror(code) : "libcurl (libcurl.so.4) could not be loaded";
}

void curl_free(void* pointer) {
    if (const CurlApi* api = Api()) api->free(pointer);
}

CURLM* curl_multi_init() {
    const CurlApi* api = Api();
    return api ? api->multiInit() : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    const CurlApi* api = Api();
    return api ? api->multiCleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle) {
    const CurlApi* api = Api();
    return api ? api->multiAddHandle(multi, handle) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle) {
    const CurlApi* api = Api();
    return api ? api->multiRemoveHandle(multi, handle) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    const CurlApi* api = Api();
    return api ? api->multiPerform(multi, running) : CURLM_BAD_HANDLE;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left) {
    const CurlApi* api = Api();
    return api ? api->multiInfoRead(multi, left) : nullptr;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int extraCount, int timeoutMs, int* ready) {
    const CurlApi* api = Api();
    return api ? api->multiPoll(multi, extra, extraCount, timeoutMs, ready) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_wakeup(CURLM* multi) {
    const CurlApi* api = Api();
    return api ? api->multiWakeup(multi) : CURLM_BAD_HANDLE;
}

CURLSH* curl_share_init() {
    const CurlApi* api = Api();
    return api ? api->shareInit() : nullptr;
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
    const CurlApi* api = Api();
    return api ? api->shareCleanup(share) : CURLSHE_INVALID;
}

// What to share is an int; the lock functions and user data are pointers.
CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    const CurlApi* api = Api();
    if (api == nullptr) return CURLSHE_INVALID;
    va_list values;
    va_start(values, option);
    CURLSHcode result;
    if (option == CURLSHOPT_SHARE || option == CURLSHOPT_UNSHARE) {
        result = api->shareSetopt(share, option, va_arg(values, int));
    } else {
        result = api->shareSetopt(share, option, va_arg(values, void*));
    }
    va_end(values);
    return result;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    const CurlApi* api = Api();
    return api ? api->slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (const CurlApi* api = Api()) api->slistFreeAll(list);
}

CURLU* curl_url() {
    const CurlApi* api = Api();
    return api ? api->url() : nullptr;
}

void curl_url_cleanup(CURLU* url) {
    if (const CurlApi* api = Api()) api->urlCleanup(url);
}

CURLUcode curl_url_get(CURLU* url, CURLUPart part, char** text, unsigned int flags) {
    const CurlApi* api = Api();
    return api ? api->urlGet(url, part, text, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode curl_url_set(CURLU* url, CURLUPart part, const char* text, unsigned int flags) {
    const CurlApi* api = Api();
    return api ? api->urlSet(url, part, text, flags) : CURLUE_OUT_OF_MEMORY;
}
