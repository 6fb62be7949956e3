// SPDX-License-Identifier: GPL-3.0-or-later
// The "Watch this page" button: asks Pelmor (through the native-messaging host
// pelmor-toolbar) for its folders and adds the current tab to the chosen one.
"use strict";

const HOST = "org.pelmor.pelmor";
const status = document.getElementById("status");
const folder = document.getElementById("folder");
const title = document.getElementById("title");
const watch = document.getElementById("watch");
let tab = null;

function show(text, kind) {
  status.textContent = text;
  status.className = kind || "";
}

function ask(message, answer) {
  chrome.runtime.sendNativeMessage(HOST, message, (reply) => {
    if (chrome.runtime.lastError || !reply) {
      show("Pelmor's browser helper is not installed: run pelmor-browser-setup.", "error");
      return;
    }
    answer(reply);
  });
}

function fillFolders(folders, selected) {
  folder.textContent = "";
  for (const f of folders) {
    const option = document.createElement("option");
    option.value = f.key;
    option.textContent = "\u00a0\u00a0".repeat(f.level) + f.name;
    folder.appendChild(option);
  }
  if (folders.some((f) => f.key === selected)) folder.value = selected;
}

chrome.tabs.query({active: true, currentWindow: true}, (tabs) => {
  tab = tabs && tabs[0];
  if (!tab || !/^(https?|ftp):/i.test(tab.url || "")) {
    show("Only web pages can be watched.", "error");
    return;
  }
  title.value = tab.title || "";
  chrome.storage.local.get({folder: ""}, (stored) => {
    ask({command: "folders"}, (reply) => {
      if (!reply.ok) {
        show(reply.error || "Pelmor is not running.", "error");
        return;
      }
      fillFolders(reply.folders, stored.folder);
      watch.disabled = false;
    });
  });
});

folder.addEventListener("change", () => chrome.storage.local.set({folder: folder.value}));

watch.addEventListener("click", () => {
  watch.disabled = true;
  show("Adding\u2026");
  ask({command: "add", url: tab.url, title: title.value, folder: folder.value}, (reply) => {
    if (reply.ok) {
      show("Pelmor watches this page now.", "done");
    } else {
      show(reply.error || "The page could not be added.", "error");
      watch.disabled = false;
    }
  });
});
