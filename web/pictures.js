// The eight pictures at the display's scale, as the core makes them.

// The picture files as the page holds them (make_site.py): the 1x bitmap and the 3x rendering
// (a lossless WebP), which stands in for every larger scale.
const STORED_LARGER = 3;
function renderingFile(stem, scale) {
  return scale === 1 ? `pictures/${stem}.png` : `pictures/${stem}_${STORED_LARGER}x.webp`;
}

// The 3x renderings not shown at rest are stored as the rectangle in which they differ from
// another rendering (their base) and where it goes: stem -> [base stem, x, y], from the page.
const PATCHES = JSON.parse(document.querySelector('meta[name="orvane-patches"]')?.content ?? "{}");
const patchOf = (stem, scale) => (scale === 1 ? undefined : PATCHES[stem]);

// Read whole as bytes: Chromium's blob() of a preloaded answer still arriving can fail.
async function fetchBlob(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: ${response.status}`);
  return new Blob([await response.arrayBuffer()], { type: response.headers.get("Content-Type") ?? "" });
}

// Each file fetched once for the page (a base serves the pictures made over it); one that
// failed is asked for again next time.
const fetched = new Map();
function fetchOnce(url) {
  if (!fetched.has(url)) {
    fetched.set(url, fetchBlob(url).catch((error) => {
      fetched.delete(url);
      throw error;
    }));
  }
  return fetched.get(url);
}

// The picture's pixels, drawn at (x, y) over `under` when given.
async function decodePixels(blob, under = null, x = 0, y = 0) {
  const bitmap = await createImageBitmap(blob, {
    colorSpaceConversion: "none",
    premultiplyAlpha: "none",
  });
  const canvas = document.createElement("canvas");
  canvas.width = under ? under.width : bitmap.width;
  canvas.height = under ? under.height : bitmap.height;
  const context = canvas.getContext("2d", { willReadFrequently: true });
  if (under) context.putImageData(under, 0, 0);
  context.drawImage(bitmap, x, y);
  bitmap.close();
  return context.getImageData(0, 0, canvas.width, canvas.height);
}

// The stored rendering's pixels at this scale (1 or 3): its file, or its base's pixels with its
// rectangle drawn over them.
export async function storedPixels(stem, scale) {
  const patch = patchOf(stem, scale);
  const blob = fetchOnce(renderingFile(stem, scale));
  if (!patch) return decodePixels(await blob);
  const [base, x, y] = patch;
  const [under, over] = await Promise.all([storedPixels(base, scale), blob]);
  return decodePixels(over, under, x, y);
}

async function imageUrl(image) {
  const canvas = document.createElement("canvas");
  canvas.width = image.width;
  canvas.height = image.height;
  canvas.getContext("2d").putImageData(image, 0, 0);
  const blob = await new Promise((resolve) => canvas.toBlob(resolve, "image/png"));
  if (!blob) throw new Error("cannot encode a picture");
  return URL.createObjectURL(blob);
}

// The pictures `ids` for this DPI: the stored rendering the core's rendering scale names,
// handed to the core, which gives the picture to show; the file itself where that is the
// rendering as it is. Bitmap id -> {url, scale, made, file}; a picture that cannot be had is
// left out.
export async function renderPictures(core, dpi, ids) {
  const scale = core.renderingScale(dpi);
  const storedScale = scale === 1 ? 1 : STORED_LARGER;
  const rendered = new Map();
  await Promise.all(core.tables.pictures.filter((p) => ids.includes(p.id)).map(async (picture) => {
    const file = renderingFile(picture.stem, storedScale);
    const patched = patchOf(picture.stem, storedScale) !== undefined;
    let url = file;
    try {
      const pixels = await storedPixels(picture.stem, storedScale);
      const made = core.picture(picture.id, dpi, pixels, storedScale);
      if (!made) throw new Error("no picture made");
      if (!made.stored) url = await imageUrl(made.image);
      else if (patched) url = await imageUrl(pixels);
      else url = URL.createObjectURL(await fetchOnce(file));
    } catch (error) {
      console.warn("orvaneats:", picture.stem, error);
      // The stored file, scaled by the browser, rather than no picture; a rectangle alone
      // would show the wrong one.
      if (patched) return;
    }
    rendered.set(picture.id, { url, scale, made: url !== file, file });
    // Decoded before it is needed, so a change of picture shows at once.
    const preload = new Image();
    preload.src = url;
    await preload.decode().catch(() => {});
  }));
  return rendered;
}

export function releasePicture({ url, made }) {
  if (made) URL.revokeObjectURL(url);
}
