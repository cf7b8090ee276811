// The code's data flows one way: app -> packet loop -> header line and
// dispatch -> decoders -> field readers -> line reader, with common under all
// of them. No module of src/ (a .h/.cpp pair) may reach itself again through
// its includes.

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

// The line reader knows nothing of what reads through it.
TEST(IncludeGraph, LineReaderIncludesOnlyCommon) {
    Graph graph = includeGraph(kSource);
    for (const std::string& module : graph["input/line_reader"])
        EXPECT_EQ(module.rfind("common/", 0), 0u) << module;
}

}  // namespace
