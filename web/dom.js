// The page's elements by id, and the rectangles the layouts set on them.
export const $ = (id) => document.getElementById(id);

// Sets the rectangle's numbers as CSS pixels; null leaves a side to the element.
export function place(element, [x, y, width, height]) {
  const px = (value) => (value === null ? "" : `${value}px`);
  Object.assign(element.style, { left: px(x), top: px(y), width: px(width), height: px(height) });
}
