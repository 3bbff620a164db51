// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/duplicatefinder.h"

#include "library/presetcompare.h"
#include "model/presetparams.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_map>

namespace {

struct Sets {
    std::vector<int> parent;
    explicit Sets(std::size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
    int find(int i)
    {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    }
    void join(int a, int b) { parent[find(a)] = find(b); }
};

} // namespace

std::vector<DuplicateFinder::Group> DuplicateFinder::find(const std::vector<Record> &records, int maxDifferences,
                                                          const std::atomic_bool *cancel)
{
    const int n = int(records.size());
    const int limit = std::clamp(maxDifferences, 0, MostDifferences);
    Sets sets(records.size());

    if (limit > 0) {
        // Two records that differ in at most `limit` parameters agree on
        // every parameter of at least one of limit + 1 blocks: only records
        // that share a block's values need comparing.
        std::vector<const presetparams::Parameter *> params;
        for (const presetparams::Parameter &p : presetparams::all())
            if (p.kind != presetparams::Kind::Time)
                params.push_back(&p);
        const int blocks = limit + 1;
        for (int block = 0; block < blocks; ++block) {
            std::unordered_map<std::string, std::vector<int>> buckets;
            for (int r = 0; r < n; ++r) {
                std::string key;
                for (std::size_t i = std::size_t(block); i < params.size(); i += std::size_t(blocks))
                    key += char(presetparams::value(*params[i], records[std::size_t(r)].bytes));
                buckets[key].push_back(r);
            }
            for (const auto &[key, members] : buckets) {
                for (std::size_t i = 0; i < members.size(); ++i) {
                    if (cancel && cancel->load())
                        return {};
                    for (std::size_t j = i + 1; j < members.size(); ++j) {
                        const int a = members[i], b = members[j];
                        if (sets.find(a) == sets.find(b))
                            continue;
                        if (PresetCompare::differences(records[std::size_t(a)].bytes, records[std::size_t(b)].bytes,
                                                       limit) <= limit)
                            sets.join(a, b);
                    }
                }
            }
        }
    }

    std::unordered_map<int, Group> byRoot;
    for (int r = 0; r < n; ++r)
        byRoot[sets.find(r)].members.push_back(r);
    std::vector<Group> groups;
    auto presets = [&](int r) { return records[std::size_t(r)].presets; };
    for (auto &[root, g] : byRoot) {
        if (g.members.size() < 2 && presets(g.members.front()) < 2)
            continue;
        std::stable_sort(g.members.begin(), g.members.end(), [&](int a, int b) { return presets(a) > presets(b); });
        groups.push_back(std::move(g));
    }
    auto size = [&](const Group &g) {
        int total = 0;
        for (int m : g.members)
            total += presets(m);
        return total;
    };
    std::sort(groups.begin(), groups.end(), [&](const Group &a, const Group &b) {
        return size(a) != size(b) ? size(a) > size(b) : a.members.front() < b.members.front();
    });
    return groups;
}
