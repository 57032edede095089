#include "net/CurlGlobal.h"

#include <mutex>

#include <curl/curl.h>

void EnsureCurlGlobalInit()
{
    static std::once_flag once;
    // Never cleaned up: aborted workers may still be running while the process ends.
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
