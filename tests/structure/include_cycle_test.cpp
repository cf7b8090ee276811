// The code's data flows one way: app -> packet loop, header line and
// dispatch -> decoders -> names and the data display -> field readers and
// line reader, with common under all of them. Each folder of src/ is a floor;
// a module includes only its own floor and those below it, and no module (a
// .h/.cpp pair) reaches itself again through its includes.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Graph = std::map<std::string, std::set<std::string>>;

const fs::path kSource = fs::path(PACSIFT_SOURCE_DIR) / "src";

// A module's name: its path under src/ without the ending ("input/line_reader").
std::string moduleOf(const fs::path& file) { return fs::relative(file, kSource).replace_extension().string(); }

// Every module with the modules its files include ("#include "dir/name.h"").
Graph includeGraph(const fs::path& root) {
    Graph graph;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string ending = entry.path().extension().string();
        if (ending != ".h" && ending != ".cpp") continue;
        std::string from = moduleOf(entry.path());
        graph[from];
        std::ifstream file(entry.path());
        std::string line;
        const std::string directive = "#include \"";
        while (std::getline(file, line)) {
            if (line.rfind(directive, 0) != 0) continue;
            size_t end = line.find('"', directive.size());
            if (end == std::string::npos) continue;
            std::string to = fs::path(line.substr(directive.size(), end - directive.size())).replace_extension().string();
            if (to != from && fs::exists(kSource / (to + ".h"))) graph[from].insert(to);
        }
    }
    return graph;
}

// The floors of src/, top first.
const std::vector<std::string> kFloors = {"app", "packet", "decode", "present", "input", "common"};

// A module's floor (its folder's place in kFloors), or -1 for a folder that has none.
int floorOf(const std::string& module) {
    std::string folder = module.substr(0, module.find('/'));
    auto found = std::find(kFloors.begin(), kFloors.end(), folder);
    return found == kFloors.end() ? -1 : static_cast<int>(found - kFloors.begin());
}

// Every include that runs back up a floor, as "from -> to", and every module
// in a folder that is no floor.
std::vector<std::string> arrowsRunningUp(const Graph& graph) {
    std::vector<std::string> found;
    for (const auto& [module, includes] : graph) {
        if (floorOf(module) < 0) found.push_back(module + " is on no floor");
        for (const std::string& to : includes)
            if (floorOf(to) < floorOf(module)) found.push_back(module + " -> " + to);
    }
    return found;
}

// A circle of includes as "a -> b -> a", or empty when there is none.
std::string findCycle(const Graph& graph) {
    std::map<std::string, int> mark;   // 0 unseen, 1 on the path, 2 done
    std::vector<std::string> path;
    std::string cycle;
    std::function<bool(const std::string&)> visit = [&](const std::string& module) {
        mark[module] = 1;
        path.push_back(module);
        auto found = graph.find(module);
        if (found != graph.end())
            for (const std::string& next : found->second) {
                if (mark[next] == 1) {
                    auto start = std::find(path.begin(), path.end(), next);
                    for (auto it = start; it != path.end(); ++it) cycle += *it + " -> ";
                    cycle += next;
                    return true;
                }
                if (mark[next] == 0 && visit(next)) return true;
            }
        path.pop_back();
        mark[module] = 2;
        return false;
    };
    for (const auto& [module, includes] : graph)
        if (mark[module] == 0 && visit(module)) break;
    return cycle;
}

TEST(IncludeGraph, HasNoCycleInSrc) {
    Graph graph = includeGraph(kSource);
    ASSERT_TRUE(graph.count("input/line_reader")) << "no modules read under " << kSource;
    EXPECT_EQ(findCycle(graph), "");
}

// The check itself: a circle is found, and named.
TEST(IncludeGraph, FindsACycle) {
    Graph graph = {{"a", {"b"}}, {"b", {"c"}}, {"c", {"a"}}, {"d", {"a"}}};
    EXPECT_EQ(findCycle(graph), "a -> b -> c -> a");
    graph["c"].clear();
    EXPECT_EQ(findCycle(graph), "");
}

TEST(IncludeGraph, EveryArrowRunsDown) {
    Graph graph = includeGraph(kSource);
    ASSERT_TRUE(graph.count("packet/dispatch")) << "no modules read under " << kSource;
    EXPECT_EQ(arrowsRunningUp(graph), std::vector<std::string>{});
}

// The check itself: an include from a decoder up into the dispatch, and a
// folder that is on no floor, are both named; includes down and across a
// floor are not.
TEST(IncludeGraph, FindsAnArrowRunningUp) {
    Graph graph = {{"decode/tcp", {"decode/shared_fields", "input/hex_readers", "common/output"}},
                   {"present/payload", {"input/hex_readers"}},
                   {"input/hex_readers", {"input/line_reader"}}};
    EXPECT_EQ(arrowsRunningUp(graph), std::vector<std::string>{});
    graph["decode/tcp"].insert("packet/dispatch");
    graph["input/line_reader"].insert("present/payload");
    graph["extra/thing"];
    EXPECT_EQ(arrowsRunningUp(graph), (std::vector<std::string>{"decode/tcp -> packet/dispatch", "extra/thing is on no floor",
                                                                 "input/line_reader -> present/payload"}));
}

// The line reader knows nothing of what reads through it.
TEST(IncludeGraph, LineReaderIncludesOnlyCommon) {
    Graph graph = includeGraph(kSource);
    for (const std::string& module : graph["input/line_reader"])
        EXPECT_EQ(module.rfind("common/", 0), 0u) << module;
}

}  // namespace
