// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantList>

// The library's search language, compiled once into an SQL condition over
// "files f LEFT JOIN presets p" with every value the user typed bound,
// never written into the SQL.
//
//   lead "warm clean"   plain words and quoted phrases: in the name, the
//                       note, or the amp model, cabinet or modulation name
//   -word  -tag:x       a leading minus excludes what the term finds
//   model:clean cab:4x12 mod:flanger
//                       the name of the amp model, cabinet or modulation
//                       contains the text (or is the number given)
//   gain>20  mid<=10  time>=400
//                       knob values of the active set (gain, low, mid, high,
//                       post, midfreq, reverb, delay, feedback, rate, depth)
//                       and the delay time in ms; with >, <, =, >=, <= or :
//   delay:on  reverb:off  mod:on
//                       the level (depth for mod) above 0, or at 0
//   tag:blues  is:fav  is:unreadable  is:group  is:single
//   in:backups  in:live the Amp backups, or a folder whose path contains "live"
//
// Terms are ANDed. Case does not matter.
struct CompiledQuery {
    QString where; // the condition, with ?1, ?2... for the bound values
    // The same, with the files some terms narrow the rows to, each through
    // an index (the words', the hashes', ...): where a search for few rows
    // starts. Going through the rows in order, `where` is cheaper.
    QString narrowed;
    QVariantList values; // ?1 first
    // Why the query cannot run; shown under the search field. Empty when
    // the query is fine.
    QString error;
    // Something worth knowing that does not stop the query ("No amp model
    // name contains ...").
    QString hint;

    bool ok() const { return error.isEmpty(); }
};

class LibraryQuery {
public:
    // More would nest the SQL too deep to run.
    static constexpr int MaxTerms = 64;

    // Never throws: anything malformed comes back as an error. Without
    // wordIndex (the index of the words is not made yet) words are looked
    // for in every file's words.
    static CompiledQuery compile(const QString &text, bool wordIndex = true);
};
