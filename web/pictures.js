// The eight pictures at the display's scale, made as Windows draws them.

// The picture files as the page holds them: the 1x bitmap and the 3x rendering (a lossless
// WebP); the 2x and every other size are made from these with the core's resampler.
function renderingFile(stem, scale) {
  return scale === 1 ? `pictures/${stem}.png` : `pictures/${stem}_3x.webp`;
}

// Read whole as bytes: Chromium's blob() of a preloaded answer still arriving can fail.
async function fetchBlob(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: ${response.status}`);
  return new Blob([await response.arrayBuffer()], { type: response.headers.get("Content-Type") ?? "" });
}

async function decodePixels(blob) {
  const bitmap = await createImageBitmap(blob, {
    colorSpaceConversion: "none",
    premultiplyAlpha: "none",
  });
  const canvas = document.createElement("canvas");
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  const context = canvas.getContext("2d", { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return context.getImageData(0, 0, canvas.width, canvas.height);
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

// The pictures `ids` for this DPI, as Windows draws them: the bitmap itself at 96 DPI,
// otherwise the rendering the core's ChooseRenderingScale picks, brought to ScaleToDpi of the
// bitmap's size by the core's resampler. Bitmap id -> {url, scale, made, file}.
export async function renderPictures(core, dpi, ids) {
  const scale = core.renderingScale(dpi);
  const storedScale = scale === 1 ? 1 : 3;
  const rendered = new Map();
  await Promise.all(core.tables.pictures.filter((p) => ids.includes(p.id)).map(async (picture) => {
    const width = core.scaleToDpi(picture.width, dpi);
    const height = core.scaleToDpi(picture.height, dpi);
    const file = renderingFile(picture.stem, scale);
    // Fetched by the page itself, as the preload of a picture at rest was.
    let url = file;
    try {
      const blob = await fetchBlob(file);
      url = URL.createObjectURL(blob);
      if (width !== picture.width * storedScale || height !== picture.height * storedScale) {
        const made = await imageUrl(core.resample(await decodePixels(blob), width, height));
        URL.revokeObjectURL(url);
        url = made;
      }
    } catch (error) {
      // The stored rendering, scaled by the browser, rather than no picture.
      console.warn("orvaneats:", picture.stem, error);
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
