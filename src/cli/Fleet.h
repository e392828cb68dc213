// kelvane-cli fleet: one device command on many rooms at once, each room in its own child process
// running the single-room command line.
#pragma once

#include <string>
#include <vector>

namespace kel::cli {

struct FleetRequest {
    std::string roomsFile;
    std::string command; // identify, backup, read, apply, restore, recall, meters
    std::string path;    // backup and read: the folder; apply and restore: the file
    int slot = 0;        // recall
    int count = 1;       // meters
    std::vector<std::string> groups;
    std::vector<std::string> rooms;
    int jobs = 0;         // 0: kDefaultFleetJobs
    double timeLimit = 0; // seconds per room; 0: kDefaultRoomSeconds × the timing scale
    bool json = false;
};

// Rooms mostly wait on their links, so many run at once.
inline constexpr int kDefaultFleetJobs = 32;
// Longer than a full restore over the slowest link at the real timing.
inline constexpr double kDefaultRoomSeconds = 600;

// Runs the request; 0 when every chosen room succeeded, 1 otherwise, 2 for wrong usage.
int RunFleet(const FleetRequest& request, double timingScale);

} // namespace kel::cli
