#pragma once

class QDragEnterEvent;
class QDropEvent;
class TonnixSetTransfer;

// Sets dropped on the settings window's Sound Sets tab: local files and
// folders only, all of them handed to one import so that it reports on them
// together. Main thread only.
void acceptSetDrag(QDragEnterEvent& event);
void importDroppedSets(QDropEvent& event, TonnixSetTransfer& transfer);
