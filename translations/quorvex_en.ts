<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Free software under the GNU General Public License, version 3 or later.
It comes with no warranty.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AmpBackups</name>
    <message>
        <source>Can&apos;t create the backup folder:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AmpCheck</name>
    <message>
        <source>Check the Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Amp matches the editor.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send the Editor&apos;s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Take the Amp&apos;s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: editor %2, Amp %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tab %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the editor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Amp plays a preset that differs from %1:

%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The editor&apos;s preset was sent to the Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From the Amp: current preset into tab %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From the Amp: current preset</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AmpSync</name>
    <message>
        <source>Sync will reload current preset 
from amp. Save Changes?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI In and Out must be enabled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp Preset</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AmpTransfers</name>
    <message>
        <source>Timeout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No response from Amp.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI In and Out must be enabled.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AmpWindow</name>
    <message>
        <source>Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cabinet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read the Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save to Library...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save as Group File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click a slot to play it; drag a library preset onto a slot to write it there; drag slots to reorder them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not in the library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not read since it was written or edited on the Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read the Amp first: only slots whose presets are known can be moved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save to Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preset Files (*.syx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saved %1 as %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save as Group File</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CompareBar</name>
    <message>
        <source>Playing the stored version (A) — Ctrl+K for your edits (B)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CompareWindow</name>
    <message>
        <source>Compare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Differences only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hear A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hear B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sends the preset to the Amp as editor data; nothing is stored</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Document</name>
    <message>
        <source>untitled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 - Quorvex</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DocumentFiles</name>
    <message>
        <source>Sysex files (*.syx)|*.syx|All files|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sysex (*.syx)|*.syx|All Files|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Changes?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is a Global File. Open it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import %1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Some values in %1 are outside what the Amp takes; each was set to the nearest value it takes:
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Single to Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DuplicatesWindow</name>
    <message>
        <source>Duplicates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Differs in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameters that may differ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Looking for duplicates...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Identical: %1 presets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alike: %1 presets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No duplicates.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 groups, %2 presets.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EarControls</name>
    <message>
        <source>Plays the presets between A and B: knobs move, switches and lists change at the middle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep This</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Makes the preset heard the editor&apos;s (Undo takes it back)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Blind Test</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A and B as X and Y, in an order you do not know</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hear X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hear Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reveal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Morph: A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Morph: B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Morph: %1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Morph %1% from A to B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Which do you prefer, X or Y?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playing X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playing Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>X was A, Y was B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>X was B, Y was A</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EditHistory</name>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 → %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From the Amp: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EditMenu</name>
    <message>
        <source>&amp;Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Compare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare: play the stored preset instead of the edited one</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not undone: the Amp has not answered yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keeps the last %L1 steps, up to %2 KB; older ones are dropped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;older steps dropped&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;as opened&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EditorPanel</name>
    <message>
        <source>Again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sets gain, EQ type, and tweaks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select cabinet per preset or globally</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overrides preset cab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pre-Distortion Rolloff</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power Amp Highs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power Amp Lows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Toggles the dual settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tap in base delay time (before Scale)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alternate uses for Tap Tempo footswitch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Simulates pressing Tap Tempo footswitch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Boost All Tabs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Un-boost All Tabs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Restore Boost Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set base delay time (before Scale)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>+/- 50% of Base</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Increase for more stereo spread</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>6 dB reduction before first stage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adds sparkle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More High Cut on the echoes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy these 5 to the other (alt) settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy these 2 to the other (alt) settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy this Reverb Level to the other (alt) setting</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileListPanel</name>
    <message>
        <source>File Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change with File Open, or right click for more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh File List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Use Path of Current File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Reset Path from INI</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Set Path to program directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t open the folder &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm File Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete &apos;%1&apos;?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t delete file:
%1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t move file to the trash:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GlobalFiles</name>
    <message>
        <source>%1 - Globals</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global File Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send Globals to Amp?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sysex Files|*.syx|All Files|*.*</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GlobalsWindow</name>
    <message>
        <source>Amp Globals</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User presets on powerup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for User, uncheck for Factory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for 212, uncheck for 1x12</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quick Boost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2nd Preset Select on Stompbar will toggle Boost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Attenuator</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>18 dB output volume drop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp LED Disable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disable most amp LEDs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Adjust</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scales pregain internally to compensate for guitar level (12:00=default)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensitivity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lower values for reduction, higher values for gating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Threshold/Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Increase when there&apos;s more noise</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI Channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stompbar Bank Select Style</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Matrix - go to same patch in new bank (default)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to preset #1 in new bank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wait for preset selection (red LED blinks)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stompbar Inactive Mode LED status (All Info)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only show active mode LEDs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show inactive mode LEDs as dim (default)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show all LEDs bright</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit Global View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Transfer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Send to Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Get from Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Noise Gate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version 2.0 Globals</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Knob</name>
    <message>
        <source>&apos;%1&apos; is not a valid floating point value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a number</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Library</name>
    <message>
        <source>The library is being opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index cannot be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index %1 cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryColumns</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cabinet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modulation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favourite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tags</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryIndexFile</name>
    <message>
        <source>favourites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tags</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>added folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Its favourites, tags and added folders are carried over.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Its favourites, tags and added folders are shown; what changes now is not kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> and </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Its %1 could not be read and are not in the %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>new one</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>library for now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> No library can be made in the temporary folder either; the library is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> The library is kept for this session only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index is in use by another program; the library waits until it is free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index belongs to a newer version of Quorvex and is left as it is; this version keeps its own beside it (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index %1 could not be written (%2) and is left as it is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index can be neither used nor replaced (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index %1 is damaged and cannot be replaced.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index was damaged and was built again from the files; the damaged one is kept as %1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryProgress</name>
    <message>
        <source>Library: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Indexing the library</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryQuery</name>
    <message>
        <source>A search may have at most %1 terms.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The quotation mark at character %1 is not closed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; needs a value after it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; takes &quot;%2:&quot;, not &quot;%3&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>amp model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cabinet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>modulation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no field &quot;%1&quot;. Fields: model, cab, mod, tag, is, in, %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; needs a number%2, not &quot;%3&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, on or off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No %1 is called anything like &quot;%2&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;is:&quot; takes fav, unreadable, group or single, not &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryScanner</name>
    <message>
        <source>Broken link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file name is not valid UTF-8</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibrarySearch</name>
    <message>
        <source>Stopped.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryStatement</name>
    <message>
        <source>Unable to use the library index</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryWindow</name>
    <message>
        <source>Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search: words, &quot;a phrase&quot;, model:clean cab:4x12 gain&gt;20 delay:on tag:blues is:fav in:backups -word</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Folder...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find Duplicates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare &amp;With Current</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Compare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Hear on Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import to Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Show in File List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add to Setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Favourite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tags...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>At least %1 presets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 presets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (the library is being indexed)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favourite taken away</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favourite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: also marks 1 identical preset elsewhere.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: also marks %2 identical presets elsewhere.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tags</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryWorker</name>
    <message>
        <source>The library index could not be opened: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 could not be added to the library.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index is in use by another program; the library waits until it is free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A favourite or tag could not be saved: the library is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A favourite or tag could not be saved: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index could not be updated: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LinkStatus</name>
    <message>
        <source>Flashes when a message arrives from the MIDI input</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flashes when a message leaves through the MIDI output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The firmware of the Amp that answered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sync with Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Amp may hold other values than the editor shows: fetch its preset again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Virtual %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The virtual Amp built into the program; no real Amp is connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI %1 off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The MIDI %1 port is closed; choose it with View, MIDI Port Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (waiting)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
The MIDI service is not running; the port reconnects when it is back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
%1 changes replaced by a newer value while they waited for the cable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not delivered: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messages the program could not deliver or had to drop:
%1 refused when sent (send queue full, or too long for the MIDI service)
%2 dropped from the send queue (port closed, or MIDI service gone)
%3 lost inside the MIDI service (it went away before sending them)
%4 received but dropped (they came faster than the program could take them)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Transfer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import Single to Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New &amp;Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In&amp;fo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;Back (original path)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Current &amp;Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tool Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;MIDI Port Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Global Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;etlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Default View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A&amp;uto Split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh File List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;nter Tuner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Preset from Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Group from Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preset &amp;to Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group t&amp;o Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Sync with Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Editor data to Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Check the Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Back Up Amp Before Writing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Restore Amp Backup...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File: Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File: Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View: MIDI Port Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View: Global Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View: Default View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfer: Editor Data to Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter Tuner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tool Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for the Amp...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp not answering</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Amp did not answer the last request; check its cable and power</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1[*] - Quorvex</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not save program settings.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MidiPortsDialog</name>
    <message>
        <source>Uncheck to free port for another program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI Port Selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Enabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Enabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The MIDI input port is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The MIDI output port is not available.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>NotesDialog</name>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Info for %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PresetEditor</name>
    <message>
        <source>Swap %1 and %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy %1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global Cabinet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global Cabinet On</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global Cabinet Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy to other set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost All Tabs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Un-boost All Tabs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore Boost Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tap Tempo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PresetFetches</name>
    <message>
        <source>factory %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From the Amp: %1 into tab %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Preset %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Factory Preset %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp Presets</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PresetTrash</name>
    <message>
        <source> A group file goes with all its sixteen presets.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &apos;%1&apos; and its note to the trash?%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move these %1 files and their notes to the trash?%2

%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm File Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not move to the trash:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PresetWrites</name>
    <message>
        <source>the Amp&apos;s group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore Amp Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a backup of presets:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>all sixteen presets, A1 to D4, as the Amp had them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This backup does not say which slot it came from:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>preset %1 as the Amp had it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1
holds %2 on %3.

Write this backup to the Amp?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI In and Out must be enabled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The MIDI output did not take the message.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Written to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1
Nothing was written to %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not written to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No backup of the Amp&apos;s presets could be fetched. Write the presets without a backup?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No backup of the Amp&apos;s presets could be fetched. Write the group without a backup?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No backup of the Amp&apos;s preset could be fetched. Write the preset without a backup?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not written to %1: no backup could be fetched</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overwrite Amp&apos;s Preset(s)?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write &apos;%1&apos; to Amp slot %2?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write to the Amp: %1?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Prompter</name>
    <message>
        <source>File Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Exists. Overwrite?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecoveryCopy</name>
    <message>
        <source>It is damaged (%1 at byte %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is not a Quorvex recovery file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A newer version of Quorvex wrote it (format %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is damaged (no version).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is damaged (its presets are incomplete).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recovery copy cannot be kept in %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recovery copy could not be written to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It cannot be read (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A recovery copy of unsaved changes cannot be offered: %1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was set aside as %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a new preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quorvex ended without saving %1 (last change %2). Restore the unsaved changes?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

%1 is no longer on disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

%1 has changed on disk since. Restoring keeps both: the changes here, unsaved, and the file on disk as it is now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Discard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is damaged (its global settings are incomplete).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is damaged (it holds no changes).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the preset from the Amp&apos;s %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the global settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the global settings (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Setlist</name>
    <message>
        <source>Can&apos;t open setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setlist too large (over 16 MiB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t read setlist:
%1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a setlist (not JSON: %1 at byte %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a setlist (no list of entries)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a setlist (no version)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A setlist of a newer version of Quorvex (%1, this one reads %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Entry %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 and the %2 after it: a setlist holds at most %3 entries; they are left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a slot A1..D4; left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a preset&apos;s hash; found by its path alone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: names no preset; left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds global settings, not a preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a group file and the entry names no slot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a single preset, not a group file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; was changed since it was added; its preset now is used</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the preset is not in the library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, and the preset is nowhere else in the library</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SetlistPlayer</name>
    <message>
        <source>CC %1, channel %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program Change %1, channel %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The port cannot be opened (error %1).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SetlistWindow</name>
    <message>
        <source>Song</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Editor&apos;s Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The editor&apos;s preset is not saved in a file: save it first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every preset is found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 not found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Foot controller:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Learn Next</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Learn Previous</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not added (drag a group&apos;s presets from the library): %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setlist - %1%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(not found)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Moved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(none)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Song %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next: %1 - %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End of the setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the switch for Next...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the switch for Previous...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next: %1  Previous: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
... and %1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setlists (*.qvset)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save changes to the setlist?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>No action %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a local file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The command line is too long to name a file (over %1 bytes).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The working folder is not an absolute path.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StartUp</name>
    <message>
        <source>MIDI Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The in port is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The out port is not available.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SyncDialog</name>
    <message>
        <source>Amp Sync</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Looking for Amp - Please Wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found Amp - Version x.x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp not found - will work in offline mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found Amp - Version %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TagsDialog</name>
    <message>
        <source>Tags</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tags, separated by commas:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TransferStatus</name>
    <message>
        <source>%v of %m bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for the Amp… %1 s</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TunerWindow</name>
    <message>
        <source>Tuning display with version 1.5 and up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tuner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audible bypass volume while tuning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E-flat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shifts all notes down a half step</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chromatic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Allows tuning of non-standard notes on amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(No tuning display with amp versions 1.4 and earlier)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VirtualAmpMenu</name>
    <message>
        <source>Virtual &amp;Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Step to Preset...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Turn a Knob</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reported at the next Sync with Amp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step to Preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The virtual Amp steps to its user preset:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>amplists</name>
    <message>
        <source>Glass Clean</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bright Crunch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Classic Lead</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Heavy Lead</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warm Clean</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vintage Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chime</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modern Metal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smooth Overdrive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sparkle Clean</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thick Fuzz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Blues Crunch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Studio Clean (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hot Drive (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extreme Gain (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Acoustic (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1x12 Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2x12 Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4x12 Closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4x12 Vintage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1x15 Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1x10 Combo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2x12 Alnico</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4x12 Modern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2x12 Closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2x10 Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4x10 Closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1x12 Closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2x12 Studio (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4x12 Hot (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4x12 Extreme (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chorus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flanger</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Phaser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tremolo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotary</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Octaver (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tap Tempo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EFX Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2/3 BPM Tap (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost + Mod</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3/4 BPM Tap (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost + Delay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mod + Delay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost + Mod + Delay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1.5 BPM Tap (2.0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost + Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mod + Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost + Mod + Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay + Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boost + Delay + Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mod + Delay + Reverb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All (Boost/Mod/Delay/Reverb)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>delaytime</name>
    <message>
        <source>Time = %1 ms.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time = ms.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>files</name>
    <message>
        <source>Incorrect File Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Incorrect Header:
%1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Incorrect File Header</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a single preset file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a single preset file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t open file:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File too large (over 1 MiB):
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t read file:
%1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file was not written completely.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t save file:
%1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a Quorvatron Global File</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>handover</name>
    <message>
        <source>The command line is too long to name a file (over %1 bytes):
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file name is too long (over %1 bytes):
%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>presetparams</name>
    <message>
        <source>Unknown (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amp Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cabinet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bright</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preamp Lows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Presence</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resonance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mid Freq.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PreGain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Low</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>High</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PostGain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alt. (Boost)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Level/Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alt. (Active)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FL Del Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FL FdBack</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Depth/Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Feedback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Base</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scale</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Separation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stompbar TapTempo Function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model Code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Byte 16</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preamp (dual)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reverb (dual)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modulation Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modulation (dual)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay (dual)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay Time / Tone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footswitch Tap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not on the panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (Alt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (stored %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Most (sloppy)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Less</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Least (tight)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Medium</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
