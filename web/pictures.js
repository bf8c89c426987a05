// The eight pictures at the display's scale, made as Windows draws them.

// The picture files as the page holds them: the 1x bitmap and the 3x rendering; the 2x and
// every other size are made from these with the core's resampler.
function renderingFile(stem, scale) {
  return scale === 1 ? `pictures/${stem}.png` : `pictures/${stem}_3x.png`;
}

async function decodePixels(url) {
  const blob = await (await fetch(url)).blob();
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

// Every picture for this DPI, as Windows draws it: the bitmap itself at 96 DPI, otherwise the
// rendering the core's ChooseRenderingScale picks, brought to ScaleToDpi of the bitmap's size
// by the core's resampler. Bitmap id -> {url, scale, made}.
export async function renderPictures(core, dpi) {
  const scale = core.renderingScale(dpi);
  const storedScale = scale === 1 ? 1 : 3;
  const rendered = new Map();
  await Promise.all(core.tables.pictures.map(async (picture) => {
    const width = core.scaleToDpi(picture.width, dpi);
    const height = core.scaleToDpi(picture.height, dpi);
    const file = renderingFile(picture.stem, scale);
    let url = file;
    if (width !== picture.width * storedScale || height !== picture.height * storedScale) {
      try {
        url = await imageUrl(core.resample(await decodePixels(file), width, height));
      } catch (error) {
        // The stored rendering, scaled by the browser, rather than no picture.
        console.warn("orvaneats:", picture.stem, error);
      }
    }
    rendered.set(picture.id, { url, scale, made: url !== file });
    // Decoded before it is needed, so a change of picture shows at once.
    const preload = new Image();
    preload.src = url;
    await preload.decode().catch(() => {});
  }));
  return rendered;
}

export function releasePictures(rendered) {
  for (const { url, made } of rendered.values()) if (made) URL.revokeObjectURL(url);
}
