/*
 * Quorvia Harbinel: information layers of rated links.
 *
 * Every rated link of a result page is followed by its mark:
 *
 *   <span class="qvh-mark qvh-green">
 *     <a class="qvh-icon" id="qvh-icon-7" href="..."><img src="..."></a>
 *     <span class="qvh-layer" id="qvh-layer-7"> ... </span>
 *   </span>
 *
 * While the pointer rests on an icon (or the keyboard focus is on it), its
 * layer (the element whose id is the icon's id with "qvh-icon-" replaced by
 * "qvh-layer-") is shown; a moment after the pointer has left both the icon
 * and the layer, the layer is hidden again. Empty elements of a layer whose
 * class is "qvh-label-<word>" receive the text of the element with the same
 * class in the page's main bubble (class "qvh-bubble"), which holds the
 * headings in the user's language.
 *
 * Plain script, no libraries. Without it the style sheet still shows a layer
 * while the pointer is over its mark, and every link of the page works as
 * before.
 */
(function () {
  "use strict";

  var ICON_PREFIX = "qvh-icon-";
  var LAYER_PREFIX = "qvh-layer-";
  var OPEN_CLASS = "qvh-open";
  var HIDE_DELAY_MS = 300;

  var openLayer = null;
  var hideTimer = null;

  function hasClass(element, name) {
    return element && element.className !== undefined && typeof element.className === "string" &&
      (" " + element.className + " ").indexOf(" " + name + " ") >= 0;
  }

  function addClass(element, name) {
    if (!hasClass(element, name)) element.className = element.className ? element.className + " " + name : name;
  }

  function removeClass(element, name) {
    if (!hasClass(element, name)) return;
    var kept = [];
    var parts = element.className.split(/\s+/);
    for (var i = 0; i < parts.length; i++) {
      if (parts[i] && parts[i] !== name) kept.push(parts[i]);
    }
    element.className = kept.join(" ");
  }

  // The icon or layer that contains node (itself included), or null.
  function markPart(node) {
    for (; node && node.nodeType === 1; node = node.parentNode) {
      var id = node.id || "";
      if (id.indexOf(ICON_PREFIX) === 0 || id.indexOf(LAYER_PREFIX) === 0) return node;
    }
    return null;
  }

  function layerOf(part) {
    if (!part) return null;
    if (part.id.indexOf(LAYER_PREFIX) === 0) return part;
    return document.getElementById(LAYER_PREFIX + part.id.substring(ICON_PREFIX.length));
  }

  function textOf(element) {
    return element.textContent !== undefined ? element.textContent : element.innerText;
  }

  function setText(element, text) {
    if (element.textContent !== undefined) element.textContent = text;
    else element.innerText = text;
  }

  // Copies the headings of the main bubble into the empty label slots of a
  // layer.
  function fillLabels(layer) {
    if (layer.getAttribute("data-qvh-labelled")) return;
    layer.setAttribute("data-qvh-labelled", "1");
    var bubble = null;
    var all = document.getElementsByTagName("*");
    for (var i = 0; i < all.length && !bubble; i++) {
      if (hasClass(all[i], "qvh-bubble")) bubble = all[i];
    }
    if (!bubble) return;
    var headings = {};
    var inBubble = bubble.getElementsByTagName("*");
    for (var j = 0; j < inBubble.length; j++) {
      var match = /(?:^|\s)(qvh-label-[\w-]+)(?:\s|$)/.exec(inBubble[j].className || "");
      if (match && headings[match[1]] === undefined) headings[match[1]] = textOf(inBubble[j]);
    }
    var inLayer = layer.getElementsByTagName("*");
    for (var k = 0; k < inLayer.length; k++) {
      var slot = /(?:^|\s)(qvh-label-[\w-]+)(?:\s|$)/.exec(inLayer[k].className || "");
      if (slot && headings[slot[1]] !== undefined && !textOf(inLayer[k])) setText(inLayer[k], headings[slot[1]]);
    }
  }

  function cancelHide() {
    if (hideTimer !== null) {
      window.clearTimeout(hideTimer);
      hideTimer = null;
    }
  }

  function hideNow() {
    cancelHide();
    if (openLayer) removeClass(openLayer, OPEN_CLASS);
    openLayer = null;
  }

  function show(layer) {
    cancelHide();
    if (openLayer === layer) return;
    hideNow();
    fillLabels(layer);
    addClass(layer, OPEN_CLASS);
    openLayer = layer;
  }

  function hideSoon() {
    cancelHide();
    hideTimer = window.setTimeout(hideNow, HIDE_DELAY_MS);
  }

  function eventOf(e) {
    return e || window.event;
  }

  function targetOf(e) {
    return e.target || e.srcElement;
  }

  function relatedOf(e) {
    return e.relatedTarget || e.toElement || null;
  }

  function onOver(e) {
    e = eventOf(e);
    var part = markPart(targetOf(e));
    if (!part) return;
    // Entering the layer keeps an open layer open; only the icon opens one.
    if (part.id.indexOf(LAYER_PREFIX) === 0) {
      if (part === openLayer) cancelHide();
      return;
    }
    var layer = layerOf(part);
    if (layer) show(layer);
  }

  function onOut(e) {
    e = eventOf(e);
    var from = markPart(targetOf(e));
    if (!from || !openLayer || layerOf(from) !== openLayer) return;
    var to = markPart(relatedOf(e));
    if (to && layerOf(to) === openLayer) return;  // still on the icon or its layer
    hideSoon();
  }

  function onKey(e) {
    e = eventOf(e);
    if ((e.key === "Escape" || e.keyCode === 27) && openLayer) hideNow();
  }

  function listen(name, handler) {
    if (document.addEventListener) document.addEventListener(name, handler, false);
    else if (document.attachEvent) document.attachEvent("on" + name, handler);
  }

  // The style sheet shows layers on its own only while this script is absent.
  addClass(document.documentElement, "qvh-script");
  listen("mouseover", onOver);
  listen("mouseout", onOut);
  listen("focusin", onOver);
  listen("focusout", onOut);
  listen("keydown", onKey);
})();
