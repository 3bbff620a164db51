// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/duplicatefinder.h"

#include "library/presetcompare.h"
#include "model/presetparams.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_map>
#include <unordered_set>

std::vector<DuplicateFinder::Group> DuplicateFinder::find(const std::vector<Record> &records, int maxDifferences,
                                                          const std::atomic_bool *cancel)
{
    const int n = int(records.size());
    const int limit = std::clamp(maxDifferences, 0, MostDifferences);
    // Which records are near which: each pair once.
    std::vector<std::vector<int>> near(records.size());
    std::unordered_set<std::uint64_t> pairs;
    auto pairKey = [](int a, int b) { return (std::uint64_t(std::min(a, b)) << 32) | std::uint32_t(std::max(a, b)); };

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
                        if (pairs.contains(pairKey(a, b)))
                            continue;
                        if (PresetCompare::differences(records[std::size_t(a)].bytes, records[std::size_t(b)].bytes,
                                                       limit) <= limit) {
                            pairs.insert(pairKey(a, b));
                            near[std::size_t(a)].push_back(b);
                            near[std::size_t(b)].push_back(a);
                        }
                    }
                }
            }
        }
    }

    // Groups in which every member is near every other, never a chain
    // (A near B near C with A and C far apart): each record goes to one
    // group, grown from the record with the most near ones; a record joins
    // only if it is near every member already there.
    auto presets = [&](int r) { return records[std::size_t(r)].presets; };
    std::vector<int> seeds(records.size());
    std::iota(seeds.begin(), seeds.end(), 0);
    std::stable_sort(seeds.begin(), seeds.end(), [&](int a, int b) {
        const std::size_t na = near[std::size_t(a)].size(), nb = near[std::size_t(b)].size();
        return na != nb ? na > nb : presets(a) > presets(b);
    });
    std::vector<bool> taken(records.size(), false);
    std::vector<Group> groups;
    for (int seed : seeds) {
        if (taken[std::size_t(seed)])
            continue;
        if (cancel && cancel->load())
            return {};
        Group g{{seed}};
        taken[std::size_t(seed)] = true;
        std::vector<int> candidates = near[std::size_t(seed)];
        std::sort(candidates.begin(), candidates.end(),
                  [&](int a, int b) { return presets(a) != presets(b) ? presets(a) > presets(b) : a < b; });
        for (int c : candidates) {
            if (taken[std::size_t(c)])
                continue;
            if (std::ranges::all_of(g.members, [&](int m) { return m == seed || pairs.contains(pairKey(m, c)); })) {
                g.members.push_back(c);
                taken[std::size_t(c)] = true;
            }
        }
        if (g.members.size() < 2 && presets(seed) < 2)
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
