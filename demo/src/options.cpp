#include "options.h"

#include "text_util.h"

namespace brevio::demo {
namespace {

bool IntValue(const std::string& name, const std::string& text, long long min, long long max,
              long long& out, std::string& error) {
    auto v = ParseDecimal(text);
    if (!v || *v < min || *v > max) {
        error = name + " wants a number from " + std::to_string(min) + " to " +
                std::to_string(max) + ", not \"" + text + "\"";
        return false;
    }
    out = *v;
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: brevio-demo-server [--nsp-port N] [--http-port N] [--data DIR] [--seed N]\n"
           "                          [--items N] [--batch-every SECONDS] [--batch-size N]\n"
           "                          [--exit-after SECONDS] [--max-connections N] [--quiet]\n"
           "\n"
           "The demo news server (NSP/0.2, default 127.0.0.1:5001) and web portal (HTTP,\n"
           "default 127.0.0.1:8080) with sample data. Port 0 picks a free port; the ports in\n"
           "use are printed first as \"nsp-port N\" and \"http-port N\". Demo user: demo,\n"
           "password demo123. SIGINT or SIGTERM stops the server.\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (std::size_t eq = name.find('='); StartsWith(name, "--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (name == "--quiet" || name == "--help" || name == "-h") {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            (name == "--quiet" ? options.quiet : options.help) = true;
            continue;
        }
        struct IntOption {
            const char* name;
            long long min, max;
            void (*set)(Options&, long long);
        };
        static const IntOption kInts[] = {
            {"--nsp-port", 0, 65535, [](Options& o, long long v) { o.nspPort = int(v); }},
            {"--http-port", 0, 65535, [](Options& o, long long v) { o.httpPort = int(v); }},
            {"--seed", 0, 4294967295LL,
             [](Options& o, long long v) { o.seed = static_cast<std::uint32_t>(v); }},
            {"--items", 0, 100000, [](Options& o, long long v) { o.items = int(v); }},
            {"--batch-every", 0, 86400, [](Options& o, long long v) { o.batchEvery = int(v); }},
            {"--batch-size", 1, 1000, [](Options& o, long long v) { o.batchSize = int(v); }},
            {"--exit-after", 0, 7 * 86400, [](Options& o, long long v) { o.exitAfter = int(v); }},
            {"--max-connections", 1, 256,
             [](Options& o, long long v) { o.maxConnections = int(v); }},
        };
        const IntOption* known = nullptr;
        for (const IntOption& o : kInts) {
            if (name == o.name) known = &o;
        }
        if (!known && name != "--data") {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " wants a value";
                return false;
            }
            value = args[++i];
        }
        if (!known) {
            options.dataDir = value;
            continue;
        }
        long long number = 0;
        if (!IntValue(name, value, known->min, known->max, number, error)) return false;
        known->set(options, number);
    }
    return true;
}

}  // namespace brevio::demo
