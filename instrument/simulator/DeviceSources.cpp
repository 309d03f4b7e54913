#include "DeviceSources.h"

#include "SimInstrument.h"

bool TakeDeviceSourceArgs(std::vector<std::string>& args, CDeviceSources& sources, std::string& error) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--simulate" || a.rfind("--simulate=", 0) == 0) {
            SimConfig config;
            std::vector<ArchiveRecord> memory;
            std::vector<std::string> simArgs;
            if (a != "--simulate")
                simArgs = {"--mnr", a.substr(11)};
            if (!ParseSimArgs(simArgs, config, memory, error))
                return false;
            sources.AddSimulated(std::make_shared<CKx208mSim>(config, std::move(memory)));
        } else if (a == "--port" || a.rfind("--port=", 0) == 0) {
            std::string path = a == "--port" ? (i + 1 < args.size() ? args[++i] : "") : a.substr(7);
            if (path.empty()) {
                error = "--port needs the path of a serial port";
                return false;
            }
            sources.AddExplicit(path);
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return true;
}
