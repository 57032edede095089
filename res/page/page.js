// Scripts of the generated pages. The program calls ShowIcon(index) when a preview of
// entry `index` starts and ShowDIcon(index) when that entry has been added to the
// download list.
"use strict";

function EntryElement(index) {
  return document.getElementById("entry" + Number(index));
}

function ShowIcon(index) {
  document.querySelectorAll(".entry.playing").forEach(function (e) { e.classList.remove("playing"); });
  var entry = EntryElement(index);
  if (entry) {
    entry.classList.add("playing");
    entry.scrollIntoView({ block: "nearest" });
  }
}

function ShowDIcon(index) {
  var entry = EntryElement(index);
  if (entry)
    entry.classList.add("downloaded");
}

document.addEventListener("DOMContentLoaded", function () {
  // Popularity bars: the width is set here so the page needs no inline styles.
  document.querySelectorAll(".pop[data-pop]").forEach(function (pop) {
    var value = Math.max(0, Math.min(100, parseInt(pop.getAttribute("data-pop"), 10) || 0));
    pop.firstElementChild.style.width = value + "%";
    pop.title = "Popularity " + value + "%";
  });
  // A pager of one page says nothing.
  var pager = document.querySelector(".pager");
  if (pager && pager.querySelectorAll("a:not(:empty), b, .current:not(:empty)").length < 2)
    pager.style.display = "none";
  var empty = document.querySelector(".empty");
  if (empty && !document.querySelector(".entry, .keywords li, .category"))
    empty.classList.add("shown");
});
