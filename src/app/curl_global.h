#pragma once
// libcurl's global state, set up once for the whole process. libcurl's own global
// initialisation and clean-up are not thread-safe, so no caller does them per request:
// every user of libcurl calls EnsureCurlGlobalInit() before its first easy handle.

// Initialises libcurl on the first call (thread-safe); cleans it up at process exit.
void EnsureCurlGlobalInit();
