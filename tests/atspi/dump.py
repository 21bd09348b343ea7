#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Reads the running Varimel window through AT-SPI, as a screen reader does,
# prints every focusable control with its role and name (and the keyboard
# picture), and fails when a control has no proper name.
# Usage: dump.py [ja|en], the language the window was started in.
import sys
import time

import pyatspi

# Every control's name, the keyboard picture's name and the start of its
# description, the plot's name and its description without data.
WORDS = {
    "ja": ({
        "CSVファイル読込...", "スケール", "主音", "最低音", "最高音", "4分音符あたりのXの増分", "デュレーション",
        "テンポ", "音色", "ベロシティー", "プログラムチェンジを書き込まない", "試聴", "再生停止", "音量調整...",
        "スタンダードMIDIファイルへ保存...", "https://korvath.example/", "ヘルプ",
        # the plot window
        "グラフ", "全体表示", "画像として保存...",
    }, "鍵盤", "使える音: C4 D4", "グラフ", "データが読み込まれていません"),
    "en": ({
        "Import CSV File...", "Scale", "Root", "Low", "High", "X per quarter note", "Duration",
        "Tempo", "Voice", "Velocity", "Omit program change", "Preview", "Stop", "Volume...",
        "Save MIDI File...", "https://korvath.example/", "Help",
        "Plot", "Show All", "Save as Image...",
    }, "Keyboard", "Notes allowed: C4 D4", "Plot", "No data loaded"),
}
LANGUAGE = sys.argv[1] if len(sys.argv) > 1 else "ja"
EXPECTED, KEYBOARD, KEYS, PLOT, EMPTY = WORDS[LANGUAGE]


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(100):
        for app in desktop:
            if app is not None and app.name in ("varimel", "Varimel"):
                return app
        time.sleep(0.1)
    return None


def walk(node, out):
    try:
        states = node.getState()
    except Exception:
        return
    if states.contains(pyatspi.STATE_FOCUSABLE) or node.name == KEYBOARD:
        try:
            description = node.description
        except Exception:
            description = ""
        out.append((node.getRoleName(), node.name, description))
    for child in node:
        if child is not None:
            walk(child, out)


def main():
    app = find_app()
    if app is None:
        print("atspi: the Varimel window did not appear on the accessibility bus")
        return 1
    found = []
    walk(app, found)
    names = set()
    for role, name, description in found:
        print(f"{role}\t{name}\t{description}")
        names.add(name)
    missing = EXPECTED - names
    keyboard = [d for r, n, d in found if n == KEYBOARD]
    ok = True
    if missing:
        print("atspi: no control named", ", ".join(sorted(missing)))
        ok = False
    if not keyboard or not keyboard[0].startswith(KEYS):
        print("atspi: the keyboard picture does not name the allowed keys")
        ok = False
    plot = [d for r, n, d in found if n == PLOT]
    if not plot or plot[0] != EMPTY:
        print("atspi: the plot does not describe what it shows")
        ok = False
    print("atspi (%s): %d controls checked" % (LANGUAGE, len(found)) if ok else "atspi: FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
