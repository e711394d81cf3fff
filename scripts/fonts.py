#!/usr/bin/env python3
"""Builds the program's faces (resources/fonts/InterHub-*.otf) from Inter's release faces.

    python3 scripts/fonts.py SOURCE_DIR resources/fonts

SOURCE_DIR holds Inter-Regular.otf, Inter-Medium.otf and Inter-SemiBold.otf of Inter 3.19
(needs python3-fonttools). Two changes, nothing else:

- The family is named "Inter Hub", so that fontconfig never picks the system's copy of Inter,
  if it has one, over the program's.
- Inter composes a letter and the combining marks after it into one glyph with ligature
  lookups that HarfBuzz tries, one ligature after another, at every letter of every text: about
  half the time of shaping a plain line. Each such lookup is now reached through a chained
  context that first checks that a mark follows, so the same glyphs come out, sooner.
"""
import sys
from pathlib import Path

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables import otTables

FACES = ("Regular", "Medium", "SemiBold")
FAMILY = "Inter Hub"


def coverage(glyphs):
    table = otTables.Coverage()
    table.glyphs = list(glyphs)
    return table


def ligatures(lookup):
    for subtable in lookup.SubTable:
        for first, entries in subtable.ligatures.items():
            for entry in entries:
                yield first, entry


def guarded(lookup_index, lookup, font):
    """A lookup that applies lookup_index only at a first component followed by a second."""
    order = font.getGlyphID
    firsts = sorted({first for first, _ in ligatures(lookup)}, key=order)
    seconds = sorted({entry.Component[0] for _, entry in ligatures(lookup)}, key=order)
    rule = otTables.ChainContextSubst()
    rule.Format = 3
    rule.BacktrackCoverage, rule.BacktrackGlyphCount = [], 0
    rule.InputCoverage, rule.InputGlyphCount = [coverage(firsts)], 1
    rule.LookAheadCoverage, rule.LookAheadGlyphCount = [coverage(seconds)], 1
    record = otTables.SubstLookupRecord()
    record.SequenceIndex, record.LookupListIndex = 0, lookup_index
    rule.SubstLookupRecord, rule.SubstCount = [record], 1
    wrapper = otTables.Lookup()
    wrapper.LookupType, wrapper.LookupFlag = 6, lookup.LookupFlag
    wrapper.SubTable, wrapper.SubTableCount = [rule], 1
    return wrapper


def guard_compositions(font):
    gsub = font["GSUB"].table
    lookups = gsub.LookupList.Lookup
    wrappers = {}
    for record in gsub.FeatureList.FeatureRecord:
        if record.FeatureTag != "ccmp":
            continue
        indices = record.Feature.LookupListIndex
        for position, index in enumerate(indices):
            lookup = lookups[index]
            # Only ligatures of two or more glyphs: a second component to look ahead for.
            if lookup.LookupType != 4 or any(not entry.Component for _, entry in ligatures(lookup)):
                continue
            if index not in wrappers:
                lookups.append(guarded(index, lookup, font))
                wrappers[index] = len(lookups) - 1
            indices[position] = wrappers[index]
    gsub.LookupList.LookupCount = len(lookups)
    return len(wrappers)


def rename(font):
    for record in font["name"].names:
        text = record.toUnicode()
        if record.nameID in (1, 4, 16):  # family, full name, typographic family
            record.string = text.replace("Inter", FAMILY, 1)
        elif record.nameID in (3, 6):  # unique id, PostScript name
            record.string = text.replace("Inter", FAMILY.replace(" ", ""), 1)


def main(source, destination):
    for face in FACES:
        font = TTFont(Path(source) / f"Inter-{face}.otf", recalcTimestamp=False)
        guards = guard_compositions(font)
        rename(font)
        target = Path(destination) / f"InterHub-{face}.otf"
        font.save(target)
        print(f"{target}: {guards} composition lookups guarded")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
