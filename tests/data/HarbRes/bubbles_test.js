// Runs the bubble script of HarbRes against a small stand-in for a page's
// document and checks when information layers are shown and hidden.
// Usage: node bubbles_test.js <path of VantoryBubbles.js>
"use strict";

const assert = require("assert");
const fs = require("fs");
const vm = require("vm");

class Element {
  constructor(tag, attrs = {}, children = []) {
    this.nodeType = 1;
    this.tagName = tag.toUpperCase();
    this.id = attrs.id || "";
    this.className = attrs.class || "";
    this.attributes = {};
    this.children = [];
    this.parentNode = null;
    this.ownText = attrs.text || "";
    for (const child of children) this.append(child);
  }
  append(child) {
    child.parentNode = this;
    this.children.push(child);
    return child;
  }
  getAttribute(name) {
    return Object.prototype.hasOwnProperty.call(this.attributes, name) ? this.attributes[name] : null;
  }
  setAttribute(name, value) {
    this.attributes[name] = String(value);
  }
  getElementsByTagName(tag) {
    const found = [];
    const walk = (e) => {
      for (const c of e.children) {
        if (tag === "*" || c.tagName === tag.toUpperCase()) found.push(c);
        walk(c);
      }
    };
    walk(this);
    return found;
  }
  get textContent() {
    return this.ownText + this.children.map((c) => c.textContent).join("");
  }
  set textContent(text) {
    this.children = [];
    this.ownText = text;
  }
}

function makePage() {
  const layer = (id) =>
    new Element("span", { id: "qvh-layer-" + id, class: "qvh-layer" }, [
      new Element("span", { class: "qvh-label-downloads" }),
      new Element("span", { class: "qvh-label-links", text: "own heading" }),
    ]);
  const mark = (id) =>
    new Element("span", { class: "qvh-mark qvh-green" }, [
      new Element("a", { id: "qvh-icon-" + id, class: "qvh-icon" }, [new Element("img", { id: "img-" + id })]),
      layer(id),
    ]);
  const bubble = new Element("span", { id: "quorviaHarbinelBubble", class: "qvh-bubble" }, [
    new Element("span", { class: "qvh-label-downloads", text: "Downloads" }),
    new Element("span", { class: "qvh-label-links", text: "Links" }),
  ]);
  const outside = new Element("p", { id: "outside" });
  const body = new Element("body", {}, [bubble, mark(1), mark(2), outside]);
  const html = new Element("html", {}, [body]);

  const listeners = {};
  const document = {
    documentElement: html,
    body,
    getElementById(id) {
      return html.getElementsByTagName("*").find((e) => e.id === id) || null;
    },
    getElementsByTagName(tag) {
      return html.getElementsByTagName(tag);
    },
    addEventListener(name, handler) {
      (listeners[name] = listeners[name] || []).push(handler);
    },
  };
  let timers = [];
  let nextTimer = 1;
  const window = {
    setTimeout(fn) {
      const id = nextTimer++;
      timers.push({ id, fn });
      return id;
    },
    clearTimeout(id) {
      timers = timers.filter((t) => t.id !== id);
    },
  };
  const page = {
    document,
    window,
    fire(name, target, related = null, extra = {}) {
      for (const h of listeners[name] || []) h(Object.assign({ type: name, target, relatedTarget: related }, extra));
    },
    runTimers() {
      const due = timers;
      timers = [];
      for (const t of due) t.fn();
    },
    pendingTimers: () => timers.length,
    el: (id) => document.getElementById(id),
    isOpen: (id) => (" " + document.getElementById("qvh-layer-" + id).className + " ").includes(" qvh-open "),
  };
  return page;
}

const script = fs.readFileSync(process.argv[2], "utf8");
const tests = [];
const test = (name, fn) => tests.push({ name, fn });

function load() {
  const page = makePage();
  vm.runInNewContext(script, { document: page.document, window: page.window });
  return page;
}

test("marks the page as scripted, so the style sheet leaves layers to the script", () => {
  const page = load();
  assert.ok(page.document.documentElement.className.split(" ").includes("qvh-script"));
  assert.ok(!page.isOpen(1) && !page.isOpen(2));
});

test("pointing at an icon shows its layer with the main bubble's headings", () => {
  const page = load();
  page.fire("mouseover", page.el("img-1"));
  assert.ok(page.isOpen(1));
  assert.ok(!page.isOpen(2));
  const layer = page.el("qvh-layer-1");
  assert.strictEqual(layer.children[0].textContent, "Downloads");
  assert.strictEqual(layer.children[1].textContent, "own heading"); // a filled slot keeps its text
});

test("moving from the icon into its layer keeps it shown", () => {
  const page = load();
  page.fire("mouseover", page.el("img-1"));
  page.fire("mouseout", page.el("img-1"), page.el("qvh-layer-1").children[0]);
  page.fire("mouseover", page.el("qvh-layer-1").children[0]);
  page.runTimers();
  assert.ok(page.isOpen(1));
});

test("leaving icon and layer hides the layer a moment later", () => {
  const page = load();
  page.fire("mouseover", page.el("img-1"));
  page.fire("mouseout", page.el("img-1"), page.el("outside"));
  assert.ok(page.isOpen(1), "not at once");
  assert.strictEqual(page.pendingTimers(), 1);
  page.runTimers();
  assert.ok(!page.isOpen(1));
});

test("coming back before the moment is over keeps the layer", () => {
  const page = load();
  page.fire("mouseover", page.el("img-1"));
  page.fire("mouseout", page.el("qvh-icon-1"), page.el("outside"));
  page.fire("mouseover", page.el("qvh-icon-1"));
  page.runTimers();
  assert.ok(page.isOpen(1));
});

test("pointing at another icon shows only that one's layer", () => {
  const page = load();
  page.fire("mouseover", page.el("img-1"));
  page.fire("mouseover", page.el("img-2"));
  assert.ok(!page.isOpen(1));
  assert.ok(page.isOpen(2));
});

test("pointing at a closed layer's place does not open it", () => {
  const page = load();
  page.fire("mouseover", page.el("qvh-layer-1"));
  assert.ok(!page.isOpen(1));
});

test("keyboard focus shows the layer and Escape hides it", () => {
  const page = load();
  page.fire("focusin", page.el("qvh-icon-2"));
  assert.ok(page.isOpen(2));
  page.fire("keydown", page.el("qvh-icon-2"), null, { key: "a", keyCode: 65 });
  assert.ok(page.isOpen(2), "another key changes nothing");
  page.fire("keydown", page.el("qvh-icon-2"), null, { key: "Escape", keyCode: 27 });
  assert.ok(!page.isOpen(2));
});

let failed = 0;
for (const t of tests) {
  try {
    t.fn();
    console.log("ok   " + t.name);
  } catch (e) {
    failed++;
    console.log("FAIL " + t.name + "\n     " + e.message);
  }
}
process.exit(failed ? 1 : 0);
