// Where the program looks for its track, in order.
#include "output/file_places.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> places_of(bool offline, const char* folder) {
    TrackPlaces places;
    list_track_places(places, offline, folder);
    return std::vector<std::string>(places.paths, places.paths + places.count);
}

}  // namespace

TEST(FilePlacesTest, TrackIsLookedForWhereEachModeNamesFirstThenBesideTheProgramThenInstalled) {
    using Paths = std::vector<std::string>;
    EXPECT_EQ(places_of(true, "/opt/x/build"),
              (Paths{"src/beat3-140bpm.mp3", "/opt/x/build/src/beat3-140bpm.mp3", "/opt/x/share/ostrel/beat3-140bpm.mp3"}));
    EXPECT_EQ(places_of(false, "/usr/bin"),
              (Paths{"/usr/bin/src/beat3-140bpm.mp3", "/usr/share/ostrel/beat3-140bpm.mp3"}));
    // A program in / looks in /src and /share/ostrel; one whose folder is
    // unknown only under the working folder (offline) or nowhere (live).
    EXPECT_EQ(places_of(false, ""), (Paths{"/src/beat3-140bpm.mp3", "/share/ostrel/beat3-140bpm.mp3"}));
    EXPECT_EQ(places_of(true, nullptr), (Paths{"src/beat3-140bpm.mp3"}));
    EXPECT_TRUE(places_of(false, nullptr).empty());
    // A folder too long for a path drops those places, never truncates them.
    const std::string long_folder = "/" + std::string(place_path_capacity, 'a') + "/bin";
    EXPECT_EQ(places_of(true, long_folder.c_str()), (Paths{"src/beat3-140bpm.mp3"}));
}
