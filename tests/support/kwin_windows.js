// Loaded into KWin over its session bus by the KDE end-to-end test: prints,
// to KWin's log, each window KWin manages as it sees it. KWin 6 names the
// list windowList, KWin 5 clientList.
const windows = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (const w of windows) {
  const frame = w.frameGeometry;
  print("kwin-window " + JSON.stringify({
    caption: String(w.caption),
    desktopFile: String(w.desktopFileName),
    frame: [frame.x, frame.y, frame.width, frame.height],
  }));
}
