// The user's own data folder, chosen ("Data folder…") or dropped on the page. Its files are
// read from the disk, and never leave the page.
"use strict";

// Files read whole from the user's disk: nothing is left to arrive.
async function localFolder(entries) {
  const files = makeArrivingFiles();
  const read = new Map();
  await Promise.all(entries.map(async ([name, file]) => {
    try {
      read.set(name, new Uint8Array(await file.arrayBuffer()));
    } catch {
      // An unreadable file is a missing one, as fopen would find it.
    }
  }));
  DATA_FILES.forEach((name) => files.settle(name, read.get(name) || null));
  return { files, download: null, fetchRest() {} };
}

// From <input webkitdirectory>: the files directly inside the chosen folder.
function chosenFiles(list) {
  return Array.from(list)
    .map((file) => [file.webkitRelativePath.split("/"), file])
    .filter(([parts]) => parts.length === 2 && DATA_FILES.includes(parts[1]))
    .map(([parts, file]) => [parts[1], file]);
}

function entryFile(entry) {
  return new Promise((resolve) => entry.file(resolve, () => resolve(null)));
}

function directoryEntries(directory) {
  const reader = directory.createReader();
  const all = [];
  return new Promise((resolve) => {
    const next = () => reader.readEntries((batch) => {
      if (batch.length === 0) {
        resolve(all);
      } else {
        all.push(...batch);
        next();
      }
    }, () => resolve(all));
    next();
  });
}

// A dropped folder, or the data files themselves dropped together.
async function droppedFiles(items) {
  const entries = Array.from(items).map((item) => item.webkitGetAsEntry()).filter(Boolean);
  const folder = entries.find((entry) => entry.isDirectory);
  const candidates = folder ? await directoryEntries(folder) : entries;
  const found = [];
  for (const entry of candidates) {
    if (entry.isFile && DATA_FILES.includes(entry.name)) {
      const file = await entryFile(entry);
      if (file !== null) found.push([entry.name, file]);
    }
  }
  return { name: folder ? folder.name : "dropped files", found };
}
