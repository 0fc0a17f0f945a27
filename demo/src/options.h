// Command line of brevio-demo-server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brevio::demo {

struct Options {
    int nspPort = 5001;
    int httpPort = 8080;
    std::string dataDir;  // empty: the data folder the server was built with
    std::uint32_t seed = 1;
    int items = 400;          // initial news items (besides the bulletin)
    int batchEvery = 0;       // seconds between batches of new items; 0: no batches
    int batchSize = 5;        // items per batch
    int exitAfter = 0;        // seconds until the server stops by itself; 0: never
    int maxConnections = 16;  // NSP connections served at once
    bool quiet = false;
    bool help = false;
};

// Parses the arguments (without the program name). "--name value" and "--name=value" are
// both accepted. False with a message for an unknown option or a bad value.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

const char* UsageText();

}  // namespace brevio::demo
