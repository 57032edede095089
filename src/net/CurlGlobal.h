#pragma once

// libcurl's global set-up must happen once, before any thread uses it. Every component that
// starts curl workers calls this on the main thread first (it is cheap after the first call).
void EnsureCurlGlobalInit();
