# SPDX-License-Identifier: MIT
"""Reads what a screen reader sees of a program over AT-SPI: the harness (Desktop.control) and
test_accessibility.py run it.

It needs pyatspi (Debian's python3-pyatspi, installed for the system's Python) and the
session bus in DBUS_SESSION_BUS_ADDRESS.

  atspi_reader.py tree PID   prints the accessibility tree of the program with that process id
                             as one JSON object, or null while the program is not on the bus
  atspi_reader.py serve      answers lines "tree PID" on its input, each with one line as
                             `tree` prints it (null, the error on its error stream, when the
                             tree changed under the reader), until its input ends
  atspi_reader.py events     prints one JSON line for every object of any program that gains
                             the keyboard focus or whose check mark changes, until it is ended;
                             the first line is {"ready": true}

A node of the tree is {"role", "name", "description", "states", "extents", "children"}, where
extents is [x, y, width, height] on the screen (null for an object without a place); a table's
node also has "cells": one {"row", "column", "name", "states", "extents"} per cell, its column
named by the column's header. An event line is the node of the object (without extents and
children) with "event", "value" and "siblings" (the names of its parent's children: for a menu
item, the items of its menu).
"""

import json
import sys
import traceback

import pyatspi
from gi.repository import GLib

MAX_DEPTH = 12


def describe(acc):
    return {
        "role": acc.getRoleName(),
        "name": acc.name or "",
        "description": acc.description or "",
        "states": sorted(pyatspi.stateToString(s) for s in acc.getState().getStates()),
    }


def extents(acc):
    """Where the object is, in screen coordinates, or None for an object without a place."""
    try:
        box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except NotImplementedError:
        return None
    return [box.x, box.y, box.width, box.height]


def cells(table):
    columns = [table.getColumnDescription(c) for c in range(table.nColumns)]
    found = []
    for row in range(table.nRows):
        for column, header in enumerate(columns):
            cell = table.getAccessibleAt(row, column)
            if cell is not None:
                found.append(dict(describe(cell), row=row, column=header,
                                  extents=extents(cell)))
    return found


def tree(acc, depth=0):
    node = describe(acc)
    node["extents"] = extents(acc)
    try:
        node["cells"] = cells(acc.queryTable())
    except NotImplementedError:
        pass
    node["children"] = [tree(child, depth + 1) for child in acc
                        if child is not None] if depth < MAX_DEPTH else []
    return node


def print_tree(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()  # a reader that serves many queries sees programs come and go
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            app.clearCache()
            print(json.dumps(tree(app), ensure_ascii=False), flush=True)
            return
    print("null", flush=True)


def serve():
    for line in sys.stdin:
        command, pid = line.split()
        if command != "tree":
            sys.exit("unknown query: " + line)
        try:
            print_tree(int(pid))
        except GLib.Error:  # an object went away while the tree was read: ask again
            traceback.print_exc()
            print("null", flush=True)


def on_event(event):
    if event.type.endswith(":focused") and not event.detail1:
        return  # a loss of focus says nothing new
    node = describe(event.source)
    node["event"] = event.type
    node["value"] = event.detail1
    parent = event.source.parent
    node["siblings"] = [c.name for c in parent if c is not None] if parent is not None else []
    print(json.dumps(node, ensure_ascii=False), flush=True)


def watch():
    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:focused",
                                           "object:state-changed:checked")
    print(json.dumps({"ready": True}), flush=True)
    pyatspi.Registry.start()


if __name__ == "__main__":
    if sys.argv[1:2] == ["tree"] and len(sys.argv) == 3:
        print_tree(int(sys.argv[2]))
    elif sys.argv[1:] == ["events"]:
        watch()
    elif sys.argv[1:] == ["serve"]:
        serve()
    else:
        sys.exit(__doc__)
